#include "storage/programfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
// Where the package puts the shared files, seen from the executable's folder
// (lib/zorvel-configurator/ beside share/zorvel-configurator/).
const char InstalledData[] = "../../share/zorvel-configurator";
} // namespace

QStringList programFolders(const QString &programFolder)
{
    const QDir program(programFolder);
    return {program.path(), program.filePath(QLatin1String(InstalledData))};
}

QString programFile(const QString &name)
{
    if (QFileInfo(name).isFile())
        return name;
    for (const QString &folder : programFolders(QCoreApplication::applicationDirPath())) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo(path).isFile())
            return path;
    }
    return name;
}
