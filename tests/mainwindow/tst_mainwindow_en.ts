<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="ru_RU">
<context>
    <name>MainWindow</name>
    <message>
        <source>Конфигуратор Зорвель-3</source>
        <translation>Zorvel-3 Configurator</translation>
    </message>
    <message>
        <source>Нет подключения</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>Сброс</source>
        <translation>Reset</translation>
    </message>
</context>
</TS>
