<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="ru_RU">
<context>
    <name>AboutDilog</name>
    <message>
        <source>О программе &quot;Конфигуратор Зорвель-3&quot;</source>
        <translation>About &quot;Zorvel-3 Configurator&quot;</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;О программе Зорвель-3&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;About Zorvel-3&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>TextLabel</source>
        <translation>TextLabel</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>&lt;center&gt;Программа &quot;Конфигуратор Зорвель-3&quot;&lt;br&gt;</source>
        <translation>&lt;center&gt;&quot;Zorvel-3 Configurator&quot; program&lt;br&gt;</translation>
    </message>
    <message>
        <source>ООО &quot;НПП Зорвель-Техника&quot;&lt;br&gt;</source>
        <translation>&quot;NPP Zorvel-Tekhnika&quot; LLC&lt;br&gt;</translation>
    </message>
    <message>
        <source>тел./факс: (4922) 55-30-19&lt;br&gt;</source>
        <translation>tel./fax: +7 (4922) 55-30-19&lt;br&gt;</translation>
    </message>
    <message>
        <source>e-mail: support@zorvel-npp.example&lt;br&gt;</source>
        <translation>e-mail: support@zorvel-npp.example&lt;br&gt;</translation>
    </message>
    <message>
        <source>&lt;a href=&quot;http://www.zorvel-npp.example/&quot;&gt;www.zorvel-npp.example&lt;/a&gt;&lt;/center&gt;</source>
        <translation>&lt;a href=&quot;http://www.zorvel-npp.example/&quot;&gt;www.zorvel-npp.example&lt;/a&gt;&lt;/center&gt;</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>MainWindow</source>
        <translation>MainWindow</translation>
    </message>
    <message>
        <source> Конфигуратор &quot;Зорвель - 3&quot;</source>
        <translation> &quot;Zorvel - 3&quot; Configurator</translation>
    </message>
    <message>
        <source>-----</source>
        <translation>-----</translation>
    </message>
    <message>
        <source>Считать</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Настройка дальности действия</source>
        <translation>Detection range</translation>
    </message>
    <message>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;MS Shell Dlg 2&apos;; font-size:7.8pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot;-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px; font-size:8pt;&quot;&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;MS Shell Dlg 2&apos;; font-size:7.8pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot;-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px; font-size:8pt;&quot;&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source> Газовое оборудование, 
 ручная дрель;</source>
        <translation> Gas cutting tools, 
 hand drill;</translation>
    </message>
    <message>
        <source>

Электрическая дрель, 
ножовка по металлу, 
электролобзик,
ножовка по дереву;</source>
        <translation>

Electric drill, 
hacksaw, 
electric jigsaw,
wood saw;</translation>
    </message>
    <message>
        <source>Болгарка, молоток, 
перфоратор, кувалда,
бензопила;</source>
        <translation>Angle grinder, hammer, 
rotary hammer, sledge,
chainsaw;</translation>
    </message>
    <message>
        <source>Тревога по одному удару</source>
        <translation>Alarm on a single blow</translation>
    </message>
    <message>
        <source>min</source>
        <translation>min</translation>
    </message>
    <message>
        <source>max</source>
        <translation>max</translation>
    </message>
    <message>
        <source>PushButton</source>
        <translation>PushButton</translation>
    </message>
    <message>
        <source>Настройка угла наклона</source>
        <translation>Tilt angle</translation>
    </message>
    <message>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;MS Shell Dlg 2&apos;; font-size:7.8pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;Обнаруживаемый угол наклона&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;MS Shell Dlg 2&apos;; font-size:7.8pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;Detected tilt angle&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>5º</source>
        <translation>5º</translation>
    </message>
    <message>
        <source>45º</source>
        <translation>45º</translation>
    </message>
    <message>
        <source>Сброс</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>Справка</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Alt+X</source>
        <translation>Alt+X</translation>
    </message>
    <message>
        <source>тест</source>
        <translation>test</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Конфигуратор Зорвель-3</source>
        <translation>Zorvel-3 Configurator</translation>
    </message>
    <message>
        <source>Нет подключения</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>Выкл</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>Подключено</source>
        <translation>Connected</translation>
    </message>
</context>
<context>
    <name>config</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>Конфигурация портов (0 - out, 1 - in )</source>
        <translation>Port directions (0 - out, 1 - in )</translation>
    </message>
    <message>
        <source>set</source>
        <translation>set</translation>
    </message>
    <message>
        <source>Set baud rate</source>
        <translation>Set baud rate</translation>
    </message>
    <message>
        <source>set Baud</source>
        <translation>set Baud</translation>
    </message>
    <message>
        <source>default</source>
        <translation>default</translation>
    </message>
    <message>
        <source>100</source>
        <translation>100</translation>
    </message>
    <message>
        <source>200</source>
        <translation>200</translation>
    </message>
    <message>
        <source>300</source>
        <translation>300</translation>
    </message>
    <message>
        <source>500</source>
        <translation>500</translation>
    </message>
    <message>
        <source>1000</source>
        <translation>1000</translation>
    </message>
    <message>
        <source>9600</source>
        <translation>9600</translation>
    </message>
    <message>
        <source>send config</source>
        <translation>send config</translation>
    </message>
    <message>
        <source>read (conf)</source>
        <translation>read (conf)</translation>
    </message>
    <message>
        <source>CLRSCR</source>
        <translation>CLRSCR</translation>
    </message>
    <message>
        <source>HandShake</source>
        <translation>HandShake</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>ok</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>cancel</translation>
    </message>
    <message>
        <source>dt</source>
        <translation>dt</translation>
    </message>
    <message>
        <source>GET dt</source>
        <translation>GET dt</translation>
    </message>
    <message>
        <source>Три байта кадра &quot;send config&quot; в шестнадцатеричном виде</source>
        <translation>The three bytes of the &quot;send config&quot; frame, in hex</translation>
    </message>
    <message>
        <source>&gt;&gt; DLL has been loaded

</source>
        <translation>&gt;&gt; DLL has been loaded

</translation>
    </message>
    <message>
        <source>&gt;&gt; There was an error finding the specified DLL.

</source>
        <translation>&gt;&gt; There was an error finding the specified DLL.

</translation>
    </message>
    <message>
        <source>&gt;&gt; Loading of the DLL failed

</source>
        <translation>&gt;&gt; Loading of the DLL failed

</translation>
    </message>
    <message>
        <source>&gt;&gt; The device is DISCONNECTED

</source>
        <translation>&gt;&gt; The device is DISCONNECTED

</translation>
    </message>
    <message>
        <source>&gt;&gt; Entry point %1 was not found in the DLL

</source>
        <translation>&gt;&gt; Entry point %1 was not found in the DLL

</translation>
    </message>
    <message>
        <source>&gt;&gt; The MCP2200 was successfully initialized.

</source>
        <translation>&gt;&gt; The MCP2200 was successfully initialized.

</translation>
    </message>
    <message>
        <source>&gt;&gt; The device is CONNECTED

</source>
        <translation>&gt;&gt; The device is CONNECTED

</translation>
    </message>
    <message>
        <source>ERROR!</source>
        <translation>ERROR!</translation>
    </message>
    <message>
        <source>&gt;&gt; success configure MCP
</source>
        <translation>&gt;&gt; success configure MCP
</translation>
    </message>
    <message>
        <source>&gt;&gt; Invalid command MCP2200

</source>
        <translation>&gt;&gt; Invalid command MCP2200

</translation>
    </message>
    <message>
        <source>&gt;&gt; success configure IO</source>
        <translation>&gt;&gt; success configure IO</translation>
    </message>
    <message>
        <source>&gt;&gt; Invalid command IO

</source>
        <translation>&gt;&gt; Invalid command IO

</translation>
    </message>
    <message>
        <source>&gt;&gt; Baud rate set</source>
        <translation>&gt;&gt; Baud rate set</translation>
    </message>
    <message>
        <source>&gt;&gt; Error setting baud rate

</source>
        <translation>&gt;&gt; Error setting baud rate

</translation>
    </message>
    <message>
        <source>&gt;&gt; The line is busy, try again when the transfer ends

</source>
        <translation>&gt;&gt; The line is busy, try again when the transfer ends

</translation>
    </message>
    <message>
        <source>&gt;&gt; success setting PINS

</source>
        <translation>&gt;&gt; success setting PINS

</translation>
    </message>
    <message>
        <source>&gt;&gt; ERROR setting PINS

</source>
        <translation>&gt;&gt; ERROR setting PINS

</translation>
    </message>
    <message>
        <source>Config get OK
</source>
        <translation>Config get OK
</translation>
    </message>
    <message>
        <source>Error config get
</source>
        <translation>Error config get
</translation>
    </message>
    <message>
        <source>Конфигурация</source>
        <translation>Configuration</translation>
    </message>
    <message>
        <source>Ошибка чтения конфигурации 
 Повторить?</source>
        <translation>Error reading the configuration 
 Retry?</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Да</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>Конфигурация записана успешно</source>
        <translation>Configuration written successfully</translation>
    </message>
    <message>
        <source>Ошибка при записи конфигурации</source>
        <translation>Error writing the configuration</translation>
    </message>
</context>
</TS>
