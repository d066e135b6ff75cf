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
    <message>
        <source>&lt;center&gt;Версия %1&lt;/center&gt;</source>
        <translation>&lt;center&gt;Version %1&lt;/center&gt;</translation>
    </message>
    <message>
        <source>&lt;center&gt;Версия %1; связь: %2&lt;/center&gt;</source>
        <translation>&lt;center&gt;Version %1; link: %2&lt;/center&gt;</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>нет связи с адаптером</source>
        <translation>no connection to the adapter</translation>
    </message>
    <message>
        <source>Датчик не закончил обмен за %1 с</source>
        <translation>The detector did not finish the exchange within %1 s</translation>
    </message>
    <message>
        <source>Конфигуратор датчиков &quot;Зорвель - 3&quot; без окна: одна команда с датчиком.</source>
        <translation>The &quot;Zorvel - 3&quot; detector configurator without a window: one command with the detector.</translation>
    </message>
    <message>
        <source>read: параметры в формате профиля JSON.</source>
        <translation>read: the parameters in the JSON profile format.</translation>
    </message>
    <message>
        <source>journal: записи в виде CSV.</source>
        <translation>journal: the entries as CSV.</translation>
    </message>
    <message>
        <source>read, write, date: примечание к записи в журнале (зона, номер датчика).</source>
        <translation>read, write, date: a note for the journal entry (zone, detector&apos;s number).</translation>
    </message>
    <message>
        <source>ТЕКСТ</source>
        <translation>TEXT</translation>
    </message>
    <message>
        <source>Сколько раз повторить чтение, если ответ не начинается с 0x53 (по умолчанию 2).</source>
        <translation>How many times to read again when the reply does not start with 0x53 (default 2).</translation>
    </message>
    <message>
        <source>Записать сигналы линии за время команды в ФАЙЛ (VCD).</source>
        <translation>Write the line&apos;s signals during the command to FILE (VCD).</translation>
    </message>
    <message>
        <source>ФАЙЛ</source>
        <translation>FILE</translation>
    </message>
    <message>
        <source>Работать с имитатором датчика вместо адаптера.</source>
        <translation>Work with the simulated detector instead of the adapter.</translation>
    </message>
    <message>
        <source>Язык: ru или en.</source>
        <translation>Language: ru or en.</translation>
    </message>
    <message>
        <source>Только данные на стандартном выводе, без хода работы.</source>
        <translation>Only the data on standard output, no progress.</translation>
    </message>
    <message>
        <source>Показать эту справку.</source>
        <translation>Show this help.</translation>
    </message>
    <message>
        <source>Показать версию.</source>
        <translation>Show the version.</translation>
    </message>
    <message>
        <source>--retries: нужно целое число от 0</source>
        <translation>--retries: a whole number from 0 is needed</translation>
    </message>
    <message>
        <source>Вызов: zorvel-configurator КОМАНДА [параметры]; подробнее: zorvel-configurator --help</source>
        <translation>Usage: zorvel-configurator COMMAND [options]; more: zorvel-configurator --help</translation>
    </message>
    <message>
        <source>Дата &quot;%1&quot; не в виде ГГГГ-ММ-ДД</source>
        <translation>The date &quot;%1&quot; is not in the form YYYY-MM-DD</translation>
    </message>
    <message>
        <source>Не указана команда</source>
        <translation>No command given</translation>
    </message>
    <message>
        <source>Нет связи с адаптером:</source>
        <translation>No connection to the adapter:</translation>
    </message>
    <message>
        <source>Датчик ответил</source>
        <translation>The detector answered</translation>
    </message>
    <message>
        <source>Датчик не ответил на рукопожатие: нет ответа 0x55</source>
        <translation>The detector did not answer the handshake: no 0x55 reply</translation>
    </message>
    <message>
        <source>нет ответа 0x55 на рукопожатие</source>
        <translation>no 0x55 reply to the handshake</translation>
    </message>
    <message>
        <source>Предупреждение: %1</source>
        <translation>Warning: %1</translation>
    </message>
    <message>
        <source>Конфигурация записана успешно</source>
        <translation>The configuration was written successfully</translation>
    </message>
    <message>
        <source>Ошибка при записи конфигурации: записано %1, прочитано %2</source>
        <translation>Error writing the configuration: written %1, read back %2</translation>
    </message>
    <message>
        <source>Дата записана: %1</source>
        <translation>Date written: %1</translation>
    </message>
    <message>
        <source>Ошибка чтения конфигурации: ответ %1 вместо 0x53</source>
        <translation>Error reading the configuration: reply %1 instead of 0x53</translation>
    </message>
    <message>
        <source>Читаю ещё раз</source>
        <translation>Reading again</translation>
    </message>
    <message>
        <source>Ответ на чтение остался ошибочным после всех попыток</source>
        <translation>The reply to the read stayed bad after all attempts</translation>
    </message>
    <message>
        <source>Трасса не записана: %1 не обычный файл</source>
        <translation>The trace was not written: %1 is not a regular file</translation>
    </message>
    <message>
        <source>Сигнал %1: команда закончит начатый обмен с датчиком и завершится; второй сигнал завершит её сразу</source>
        <translation>Signal %1: the command will finish the exchange under way with the detector and end; a second signal ends it at once</translation>
    </message>
    <message>
        <source>Сигнал %1: команда прервана, линия оставлена в покое</source>
        <translation>Signal %1: the command was cut short, the line left idle</translation>
    </message>
    <message>
        <source>Неизвестный параметр: %1</source>
        <translation>Unknown option: %1</translation>
    </message>
    <message>
        <source>После %1 нужно значение</source>
        <translation>%1 needs a value after it</translation>
    </message>
    <message>
        <source>%1 не принимает значения</source>
        <translation>%1 takes no value</translation>
    </message>
    <message>
        <source>Вызов: zorvel-configurator КОМАНДА [параметры]</source>
        <translation>Usage: zorvel-configurator COMMAND [options]</translation>
    </message>
    <message>
        <source>Команды:</source>
        <translation>Commands:</translation>
    </message>
    <message>
        <source>Параметры:</source>
        <translation>Options:</translation>
    </message>
    <message>
        <source>Даты %1 не существует</source>
        <translation>%1 does not exist</translation>
    </message>
    <message>
        <source>Год %1 не передать: датчик хранит две последние цифры года, допустимы годы 2000–2099</source>
        <translation>The year %1 cannot be sent: the detector keeps the last two digits of the year, so 2000–2099 are allowed</translation>
    </message>
    <message>
        <source>--lang: ru или en, а не &quot;%1&quot;</source>
        <translation>--lang: ru or en, not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--trace: %1 уже есть и это не обычный файл</source>
        <translation>--trace: %1 exists and is not a regular file</translation>
    </message>
    <message>
        <source>Профиль %1 не принят: %2</source>
        <translation>The profile %1 was not accepted: %2</translation>
    </message>
    <message>
        <source>write: не указан файл профиля</source>
        <translation>write: no profile file given</translation>
    </message>
    <message>
        <source>date: укажите set или get</source>
        <translation>date: give set or get</translation>
    </message>
    <message>
        <source>Лишние слова после %1: %2</source>
        <translation>Extra words after %1: %2</translation>
    </message>
    <message>
        <source>Неизвестная команда: %1</source>
        <translation>Unknown command: %1</translation>
    </message>
    <message>
        <source>нет ответа с датой</source>
        <translation>no date reply</translation>
    </message>
    <message>
        <source>Предупреждение: датчик прислал %1; в профиле значения, какие примет окно, а присланные байты в поле &quot;detector_bytes&quot;, которое write не читает</source>
        <translation>Warning: the detector sent %1; the profile holds the values as the window takes them, and the bytes sent are under &quot;detector_bytes&quot;, which write ignores</translation>
    </message>
    <message>
        <source>рукопожатие: отвечает ли датчик</source>
        <translation>one handshake: does the detector answer</translation>
    </message>
    <message>
        <source>прочитать параметры датчика</source>
        <translation>read the detector&apos;s parameters</translation>
    </message>
    <message>
        <source>write ФАЙЛ</source>
        <translation>write FILE</translation>
    </message>
    <message>
        <source>записать профиль, прочитать и сравнить</source>
        <translation>write a profile, read it back and compare</translation>
    </message>
    <message>
        <source>date set [ГГГГ-ММ-ДД]</source>
        <translation>date set [YYYY-MM-DD]</translation>
    </message>
    <message>
        <source>передать дату (без неё сегодняшнюю)</source>
        <translation>send the date (today&apos;s when omitted)</translation>
    </message>
    <message>
        <source>прочитать дату из датчика</source>
        <translation>read the detector&apos;s date</translation>
    </message>
    <message>
        <source>показать журнал</source>
        <translation>show the journal</translation>
    </message>
    <message>
        <source>Коды завершения:</source>
        <translation>Exit statuses:</translation>
    </message>
    <message>
        <source>готово</source>
        <translation>done</translation>
    </message>
    <message>
        <source>неверный вызов</source>
        <translation>wrong usage</translation>
    </message>
    <message>
        <source>нет датчика: нет библиотеки моста, адаптера или ответа 0x55</source>
        <translation>no detector: no bridge library, no adapter or no 0x55 reply</translation>
    </message>
    <message>
        <source>прочитанное не совпало с записанным или ответ остался ошибочным</source>
        <translation>the read-back differs from what was written, or the reply stayed bad</translation>
    </message>
    <message>
        <source>профиль не читается или неверен</source>
        <translation>the profile is unreadable or invalid</translation>
    </message>
    <message>
        <source>работа с датчиком сделана, но её запись в журнале или файл трассы не сохранены</source>
        <translation>the work on the detector is done, but its journal entry or trace file could not be kept</translation>
    </message>
    <message>
        <source>завершена сигналом N, когда закончился начатый обмен</source>
        <translation>ended by signal N after the transaction under way</translation>
    </message>
</context>
<context>
    <name>ConnectionStatus</name>
    <message>
        <source>Нет подключения</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>Нет библиотеки адаптера SimpleIO-UM: установите программу заново</source>
        <translation>The SimpleIO-UM adapter library is missing: reinstall the program</translation>
    </message>
    <message>
        <source>Адаптер не найден: подключите его к USB (в Linux нужно правило udev 60-zorvel-mcp2200.rules)</source>
        <translation>Adapter not found: plug it into USB (Linux needs the udev rule 60-zorvel-mcp2200.rules)</translation>
    </message>
    <message>
        <source>Адаптер не найден: подключите его к USB</source>
        <translation>Adapter not found: plug it into USB</translation>
    </message>
    <message>
        <source>Адаптер занят другой программой: %1</source>
        <translation>The adapter is in use by another program: %1</translation>
    </message>
    <message>
        <source>Адаптер найден, датчик не отвечает: проверьте кабель и питание датчика</source>
        <translation>Adapter found, the detector does not answer: check the cable and the detector&apos;s power</translation>
    </message>
    <message>
        <source>Подключено: датчик отвечает с %1</source>
        <translation>Connected: the detector has answered since %1</translation>
    </message>
    <message>
        <source>Демонстрация на имитаторе датчика. %1</source>
        <translation>Demo on the simulated detector. %1</translation>
    </message>
</context>
<context>
    <name>CsvExport</name>
    <message>
        <source>CSV, разделитель «;» (*.csv)</source>
        <translation>CSV, separator &quot;;&quot; (*.csv)</translation>
    </message>
    <message>
        <source>CSV, разделитель «,» (RFC 4180) (*.csv)</source>
        <translation>CSV, separator &quot;,&quot; (RFC 4180) (*.csv)</translation>
    </message>
</context>
<context>
    <name>Journal</name>
    <message>
        <source>№</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Время (UTC)</source>
        <translation>Time (UTC)</translation>
    </message>
    <message>
        <source>Источник</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>Действие</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>Результат</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>Записано</source>
        <translation>Written</translation>
    </message>
    <message>
        <source>Прочитано</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Дата</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Примечание</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>Что не удалось</source>
        <translation>What failed</translation>
    </message>
    <message>
        <source>Байты записи</source>
        <translation>Bytes written</translation>
    </message>
    <message>
        <source>Байты чтения</source>
        <translation>Bytes read</translation>
    </message>
    <message>
        <source>Журнал не ведётся: папку %1 нельзя создать.</source>
        <translation>No journal is kept: the folder %1 cannot be created.</translation>
    </message>
    <message>
        <source>Журнал не ведётся: файл %1 нельзя открыть для записи (%2).</source>
        <translation>No journal is kept: the file %1 cannot be opened for writing (%2).</translation>
    </message>
    <message>
        <source>Журнал не ведётся: файл %1 повреждён, а переименовать его не удалось.</source>
        <translation>No journal is kept: the file %1 is damaged and could not be renamed.</translation>
    </message>
    <message>
        <source>Журнал %1 не удалось прочитать: файл повреждён или записан другой программой. Он сохранён как %2; начат новый журнал.</source>
        <translation>The journal %1 could not be read: the file is damaged or was written by another program. It has been kept as %2; a new journal has been started.</translation>
    </message>
    <message>
        <source>Запись в журнал %1 не удалась (%2).</source>
        <translation>Writing to the journal %1 failed (%2).</translation>
    </message>
    <message>
        <source>записи %1 нет</source>
        <translation>there is no entry %1</translation>
    </message>
    <message>
        <source>Примечание не сохранено (%1).</source>
        <translation>The note was not saved (%1).</translation>
    </message>
    <message>
        <source>окно</source>
        <translation>window</translation>
    </message>
    <message>
        <source>командная строка</source>
        <translation>command line</translation>
    </message>
    <message>
        <source>Чтение параметров</source>
        <translation>Parameter read</translation>
    </message>
    <message>
        <source>Запись параметров</source>
        <translation>Parameter write</translation>
    </message>
    <message>
        <source>Установка даты</source>
        <translation>Date set</translation>
    </message>
    <message>
        <source>Чтение даты</source>
        <translation>Date read</translation>
    </message>
    <message>
        <source>успешно</source>
        <translation>done</translation>
    </message>
    <message>
        <source>прочитано не то, что записано</source>
        <translation>read back differs from what was written</translation>
    </message>
    <message>
        <source>ошибка</source>
        <translation>failed</translation>
    </message>
    <message>
        <source>ошибка: %1</source>
        <translation>failed: %1</translation>
    </message>
    <message>
        <source>записано: %1</source>
        <translation>written: %1</translation>
    </message>
    <message>
        <source>прочитано: %1</source>
        <translation>read back: %1</translation>
    </message>
    <message>
        <source>Примечание: %1</source>
        <translation>Note: %1</translation>
    </message>
    <message>
        <source>Попыток</source>
        <translation>Tries</translation>
    </message>
    <message>
        <source>Журнал %1 занят другой программой.</source>
        <translation>The journal %1 is in use by another program.</translation>
    </message>
    <message>
        <source>Журнал %1 прочитан не весь: прочитано записей: %2 (%3).</source>
        <translation>The journal %1 could not be read whole: %2 entries read (%3).</translation>
    </message>
    <message>
        <source>%1, демо</source>
        <translation>%1, demo</translation>
    </message>
    <message>
        <source>%1 (попыток: %2)</source>
        <translation>%1 (%2 tries)</translation>
    </message>
</context>
<context>
    <name>JournalRecorder</name>
    <message>
        <source>ответ %1 вместо 0x53</source>
        <translation>reply %1 instead of 0x53</translation>
    </message>
    <message>
        <source>нет ответа с датой</source>
        <translation>no date reply</translation>
    </message>
</context>
<context>
    <name>JournalWindow</name>
    <message>
        <source>Журнал</source>
        <translation>Journal</translation>
    </message>
    <message>
        <source>Фильтр:</source>
        <translation>Filter:</translation>
    </message>
    <message>
        <source>Искать в любой колонке</source>
        <translation>Search in any column</translation>
    </message>
    <message>
        <source>Экспорт CSV…</source>
        <translation>Export CSV…</translation>
    </message>
    <message>
        <source>Время</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Действие</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>Результат</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>Параметры</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>Примечание</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>Записей: %1 из %2</source>
        <translation>Entries: %1 of %2</translation>
    </message>
    <message>
        <source>Файл %1 не записан: %2.</source>
        <translation>The file %1 was not written: %2.</translation>
    </message>
    <message>
        <source>журнал-%1.csv</source>
        <translation>journal-%1.csv</translation>
    </message>
    <message>
        <source>Экспорт CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>Сохранено записей: %1 в %2</source>
        <translation>Entries saved: %1 to %2</translation>
    </message>
</context>
<context>
    <name>LineTraceVcd</name>
    <message>
        <source>Не удалось открыть файл %1 для записи: %2</source>
        <translation>Could not open %1 for writing: %2</translation>
    </message>
    <message>
        <source>Не удалось записать файл %1: %2</source>
        <translation>Could not write %1: %2</translation>
    </message>
</context>
<context>
    <name>LineTraceWindow</name>
    <message>
        <source>Сигналы линии</source>
        <translation>Line signals</translation>
    </message>
    <message>
        <source>Колесо меняет масштаб, перетаскивание сдвигает, End возвращает к последнему кадру</source>
        <translation>The wheel zooms, dragging pans, End returns to the newest frame</translation>
    </message>
    <message>
        <source>Следить</source>
        <translation>Follow</translation>
    </message>
    <message>
        <source>Сохранить VCD…</source>
        <translation>Save VCD…</translation>
    </message>
    <message>
        <source>Сохранить VCD</source>
        <translation>Save VCD</translation>
    </message>
    <message>
        <source>На линии пока ничего не записано.</source>
        <translation>Nothing has been recorded on the line yet.</translation>
    </message>
    <message>
        <source>Value Change Dump (*.vcd)</source>
        <translation>Value Change Dump (*.vcd)</translation>
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
        <source>Alt+X</source>
        <translation>Alt+X</translation>
    </message>
    <message>
        <source>тест</source>
        <translation>test</translation>
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
        <source>Конфигуратор Зорвель-3 — демонстрация на имитаторе датчика</source>
        <translation>Zorvel-3 Configurator — demo on the simulated detector</translation>
    </message>
    <message>
        <source>Открыть профиль</source>
        <translation>Open profile</translation>
    </message>
    <message>
        <source>Профили (*.json);;Все файлы (*)</source>
        <translation>Profiles (*.json);;All files (*)</translation>
    </message>
    <message>
        <source>Сохранить профиль</source>
        <translation>Save profile</translation>
    </message>
    <message>
        <source>Профили (*.json)</source>
        <translation>Profiles (*.json)</translation>
    </message>
    <message>
        <source>Профиль</source>
        <translation>Profile</translation>
    </message>
    <message>
        <source>Профиль %1 не открыт: %2</source>
        <translation>The profile %1 was not opened: %2</translation>
    </message>
    <message>
        <source>Профиль %1 не сохранён: %2</source>
        <translation>The profile %1 was not saved: %2</translation>
    </message>
    <message>
        <source>Журнал</source>
        <translation>Journal</translation>
    </message>
    <message>
        <source>Журнал занят другой программой: записей ждут %1</source>
        <translation>The journal is in use by another program: %1 entries waiting</translation>
    </message>
    <message>
        <source>&amp;Файл</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Правка</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>&amp;Справка</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;Выход</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>&amp;О программе</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>F1</source>
        <translation>F1</translation>
    </message>
    <message>
        <source>&amp;Открыть профиль…</source>
        <translation>&amp;Open profile…</translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation>Ctrl+O</translation>
    </message>
    <message>
        <source>&amp;Сохранить профиль…</source>
        <translation>&amp;Save profile…</translation>
    </message>
    <message>
        <source>Ctrl+S</source>
        <translation>Ctrl+S</translation>
    </message>
    <message>
        <source>&amp;Журнал…</source>
        <translation>&amp;Journal…</translation>
    </message>
    <message>
        <source>&amp;Вернуть значения датчика</source>
        <translation>&amp;Back to the detector&apos;s values</translation>
    </message>
    <message>
        <source>библиотека адаптера не загружена</source>
        <translation>adapter library not loaded</translation>
    </message>
    <message>
        <source>имитатор датчика</source>
        <translation>simulated detector</translation>
    </message>
    <message>
        <source>USB-адаптер MCP2200</source>
        <translation>MCP2200 USB adapter</translation>
    </message>
    <message>
        <source>&amp;Отменить</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>&amp;Повторить</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>Считать параметры из датчика (F5). Если датчик не отвечает, программа снова проверяет связь и читает, как только он ответит.</source>
        <translation>Read the parameters from the detector (F5). If the detector does not answer, the program checks the connection again and reads as soon as it answers.</translation>
    </message>
    <message>
        <source>Записать параметры в датчик (Ctrl+Enter)</source>
        <translation>Write the parameters to the detector (Ctrl+Enter)</translation>
    </message>
    <message>
        <source>Параметры в окне изменены и не записаны в датчик.</source>
        <translation>The parameters in the window have changed and are not written to the detector.</translation>
    </message>
    <message>
        <source>Записать и закрыть</source>
        <translation>Write and close</translation>
    </message>
    <message>
        <source>Закрыть без записи</source>
        <translation>Close without writing</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&amp;Серия…</source>
        <translation>&amp;Series…</translation>
    </message>
    <message>
        <source>Записать профиль в датчики один за другим, с номером каждого в журнале</source>
        <translation>Write a profile into detectors one after another, each with its number in the journal</translation>
    </message>
</context>
<context>
    <name>ParameterTracker</name>
    <message>
        <source>изменено, не записано</source>
        <translation>changed, not written</translation>
    </message>
</context>
<context>
    <name>Profile</name>
    <message>
        <source>допустимы целые числа от %1 до %2</source>
        <translation>allowed: whole numbers from %1 to %2</translation>
    </message>
    <message>
        <source>у выключенного класса допустим только 0</source>
        <translation>a class that is off allows only 0</translation>
    </message>
    <message>
        <source>допустимы целые числа от %1 до %2 с шагом %3</source>
        <translation>allowed: whole numbers from %1 to %2 in steps of %3</translation>
    </message>
    <message>
        <source>допустимы true и false</source>
        <translation>allowed: true and false</translation>
    </message>
    <message>
        <source>Поле &quot;%1&quot;: %2.</source>
        <translation>Field &quot;%1&quot;: %2.</translation>
    </message>
    <message>
        <source>Нет поля &quot;%1&quot;: %2.</source>
        <translation>Field &quot;%1&quot; is missing: %2.</translation>
    </message>
    <message>
        <source>да</source>
        <translation>yes</translation>
    </message>
    <message>
        <source>нет</source>
        <translation>no</translation>
    </message>
    <message>
        <source>Поле &quot;%1&quot; = %2: %3.</source>
        <translation>Field &quot;%1&quot; = %2: %3.</translation>
    </message>
    <message>
        <source>Файл не является профилем: это не JSON (%1, позиция %2).</source>
        <translation>The file is not a profile: it is not JSON (%1, at position %2).</translation>
    </message>
    <message>
        <source>Файл не является профилем: ожидается один объект JSON {…}.</source>
        <translation>The file is not a profile: one JSON object {…} is expected.</translation>
    </message>
    <message>
        <source>ожидается &quot;%1&quot;</source>
        <translation>&quot;%1&quot; expected</translation>
    </message>
    <message>
        <source>эта программа читает версию %1</source>
        <translation>this program reads version %1</translation>
    </message>
    <message>
        <source>ожидается список из трёх объектов {&quot;on&quot;: …, &quot;range&quot;: …}</source>
        <translation>a list of three objects {&quot;on&quot;: …, &quot;range&quot;: …} expected</translation>
    </message>
    <message>
        <source>ожидается объект {&quot;on&quot;: …, &quot;range&quot;: …}</source>
        <translation>an object {&quot;on&quot;: …, &quot;range&quot;: …} expected</translation>
    </message>
    <message>
        <source>ожидается текст в кавычках</source>
        <translation>text in quotes expected</translation>
    </message>
    <message>
        <source>Класс %1: включён, дальность %2</source>
        <translation>Class %1: on, range %2</translation>
    </message>
    <message>
        <source>Класс %1: выключен, дальность %2</source>
        <translation>Class %1: off, range %2</translation>
    </message>
    <message>
        <source>Класс %1: выключен</source>
        <translation>Class %1: off</translation>
    </message>
    <message>
        <source>Угол наклона: %1°</source>
        <translation>Tilt angle: %1°</translation>
    </message>
    <message>
        <source>Тревога по одному удару: %1</source>
        <translation>Alarm on a single blow: %1</translation>
    </message>
    <message>
        <source>Примечание: %1</source>
        <translation>Note: %1</translation>
    </message>
    <message>
        <source>выкл</source>
        <translation>off</translation>
    </message>
    <message>
        <source>Классы: %1, %2, %3; угол %4°; по одному удару: %5</source>
        <translation>Classes: %1, %2, %3; angle %4°; single blow: %5</translation>
    </message>
    <message>
        <source>Поле &quot;%1&quot; задано дважды.</source>
        <translation>Field &quot;%1&quot; is given twice.</translation>
    </message>
    <message>
        <source>это не обычный файл</source>
        <translation>it is not a regular file</translation>
    </message>
    <message>
        <source>файл больше %1 КиБ</source>
        <translation>the file is larger than %1 KiB</translation>
    </message>
</context>
<context>
    <name>SeriesDialog</name>
    <message>
        <source>Серия</source>
        <translation>Series</translation>
    </message>
    <message>
        <source>Профиль:</source>
        <translation>Profile:</translation>
    </message>
    <message>
        <source>Файл профиля (*.json)</source>
        <translation>Profile file (*.json)</translation>
    </message>
    <message>
        <source>Выбрать…</source>
        <translation>Choose…</translation>
    </message>
    <message>
        <source>Примечание:</source>
        <translation>Note:</translation>
    </message>
    <message>
        <source>Примечание к записи каждого датчика в журнале; {n} заменяется номером датчика</source>
        <translation>The note of each detector&apos;s entry in the journal; {n} is replaced by the detector&apos;s number</translation>
    </message>
    <message>
        <source>{n} — номер датчика</source>
        <translation>{n} is the detector&apos;s number</translation>
    </message>
    <message>
        <source>Первый номер:</source>
        <translation>First number:</translation>
    </message>
    <message>
        <source>партия 1, датчик {n}</source>
        <translation>batch 1, detector {n}</translation>
    </message>
    <message>
        <source>Начать серию</source>
        <translation>Start the series</translation>
    </message>
    <message>
        <source>Профиль серии</source>
        <translation>Profile of the series</translation>
    </message>
    <message>
        <source>Профили (*.json);;Все файлы (*)</source>
        <translation>Profiles (*.json);;All files (*)</translation>
    </message>
    <message>
        <source>Выберите файл профиля: без него серия не начинается.</source>
        <translation>Choose a profile file: the series does not start without one.</translation>
    </message>
    <message>
        <source>Профиль %1 не открыт: %2
Серия не начата.</source>
        <translation>The profile %1 was not opened: %2
The series has not started.</translation>
    </message>
</context>
<context>
    <name>SeriesRun</name>
    <message>
        <source>при проверке считано не то, что записано</source>
        <translation>the read-back differs from what was written</translation>
    </message>
    <message>
        <source>при проверке ответ %1 вместо 0x53</source>
        <translation>the read-back&apos;s reply was %1 instead of 0x53</translation>
    </message>
</context>
<context>
    <name>SeriesWindow</name>
    <message>
        <source>Серия</source>
        <translation>Series</translation>
    </message>
    <message>
        <source>Остановить серию</source>
        <translation>Stop the series</translation>
    </message>
    <message>
        <source>Экспорт CSV…</source>
        <translation>Export CSV…</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Профиль %1: %2</source>
        <translation>Profile %1: %2</translation>
    </message>
    <message>
        <source>Запись датчика %1…</source>
        <translation>Writing detector %1…</translation>
    </message>
    <message>
        <source>Датчик %1 записан</source>
        <translation>Detector %1 written</translation>
    </message>
    <message>
        <source>Датчик %1 НЕ записан: %2</source>
        <translation>Detector %1 NOT written: %2</translation>
    </message>
    <message>
        <source>Серия остановлена</source>
        <translation>Series stopped</translation>
    </message>
    <message>
        <source>Ждём датчик %1</source>
        <translation>Waiting for detector %1</translation>
    </message>
    <message>
        <source>Подключите датчик: он получит номер %1</source>
        <translation>Connect a detector: it gets number %1</translation>
    </message>
    <message>
        <source>Идёт запись: не отключайте датчик</source>
        <translation>Writing: do not disconnect the detector</translation>
    </message>
    <message>
        <source>Отключите датчик; следующий получит номер %1</source>
        <translation>Disconnect the detector; the next one gets number %1</translation>
    </message>
    <message>
        <source>Серия остановится, когда запись закончится</source>
        <translation>The series stops when the write has ended</translation>
    </message>
    <message>
        <source>Записано: %1    Не записано: %2</source>
        <translation>Written: %1    Not written: %2</translation>
    </message>
    <message>
        <source>Файл %1 не записан: %2.</source>
        <translation>The file %1 was not written: %2.</translation>
    </message>
    <message>
        <source>Экспорт серии</source>
        <translation>Export the series</translation>
    </message>
    <message>
        <source>Журнал занят другой программой: записей ждут %1. Повторите экспорт через несколько секунд.</source>
        <translation>The journal is held by another program: %1 entries are waiting. Export again in a few seconds.</translation>
    </message>
    <message>
        <source>серия-%1.csv</source>
        <translation>series-%1.csv</translation>
    </message>
    <message>
        <source>Записи серии сохранены в %1</source>
        <translation>The series&apos; entries were saved in %1</translation>
    </message>
</context>
<context>
    <name>WaveformView</name>
    <message>
        <source>%1 мс</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>На линии пока ничего не записано</source>
        <translation>Nothing has been recorded on the line yet</translation>
    </message>
    <message>
        <source>мс</source>
        <translation>ms</translation>
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
    <message>
        <source>Сигналы линии…</source>
        <translation>Line signals…</translation>
    </message>
    <message>
        <source>Файл блокировки адаптера %1 не создаётся: адаптер используется без него</source>
        <translation>The adapter&apos;s lock file %1 cannot be created: the adapter is used without it</translation>
    </message>
    <message>
        <source>адаптер занят программой %1 (процесс %2)</source>
        <translation>the adapter is in use by %1 (process %2)</translation>
    </message>
    <message>
        <source>Адаптер не выполнил вызов %1</source>
        <translation>The adapter&apos;s %1 call failed</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Окно не открыть: нет экрана (DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM). Команды работают без экрана: zorvel-configurator --help</source>
        <translation>The window cannot open: no display (DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM). Commands work without one: zorvel-configurator --help</translation>
    </message>
</context>
</TS>
