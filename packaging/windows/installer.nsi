; The Windows installer, made by scripts/windows/package.sh:
;   makensis -DVERSION=1.0.0 -DSTAGE=<folder> -DFILES=<include> -DOUTFILE=<setup.exe> installer.nsi
; STAGE holds the program as the zip has it; FILES is the include that
; package.sh writes from it, with the File lines (files.nsh) and the matching
; Delete lines (unfiles.nsh), so the uninstaller removes exactly what was put.
; /S installs and uninstalls silently.
; A 64-bit installer for a 64-bit program: it sees the real Program Files and
; registry, and runs where only 64-bit Windows programs can (wine64 alone).
Target amd64-unicode
SetCompressor /SOLID lzma

!define NAME "Зорвель - 3"
!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\zorvel-configurator"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Zorvel Configurator"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    !include "${FILES}\files.nsh"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ; The shortcuts start in the program's folder, where it finds its pictures
    ; and catalogue in the working directory as well as beside itself.
    CreateDirectory "$SMPROGRAMS\${NAME}"
    CreateShortCut "$SMPROGRAMS\${NAME}\${NAME}.lnk" "$INSTDIR\zorvel-configurator.exe"
    CreateShortCut "$SMPROGRAMS\${NAME}\${NAME} (демо).lnk" "$INSTDIR\zorvel-configurator.exe" "--demo"
    WriteRegStr HKLM "${KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKLM "${KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${KEY}" "Publisher" "NPP Zorvel-Tekhnika"
    WriteRegStr HKLM "${KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    ; Only what the installer put there: a file the user left in the folder stays,
    ; and so does the folder then.
    !include "${FILES}\unfiles.nsh"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${NAME}\${NAME}.lnk"
    Delete "$SMPROGRAMS\${NAME}\${NAME} (демо).lnk"
    RMDir "$SMPROGRAMS\${NAME}"
    DeleteRegKey HKLM "${KEY}"
SectionEnd
