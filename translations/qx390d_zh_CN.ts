<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>AboutDialog</name>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About PON power meter...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pon Managerment Software V1.0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version:20200302</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Application</name>
    <message>
        <source>There has been a same software operating now!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ArchiveRecordModel</name>
    <message>
        <source>Downloaded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Note</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ArchiveSettingsDialog</name>
    <message>
        <source>Test Connection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Archive Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every download and import is kept in the archive. Give an SQLite file, a PostgreSQL server as postgresql://HOST/DATABASE?user=ROLE, or a libpq service as service=NAME. Leave it empty for the file on this PC:
%1
Passwords belong in ~/.pgpass or the service file, never here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This session uses the archive that %1 names; the setting applies when neither the command line nor QX390D_ARCHIVE chooses one.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connecting to %1...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connected: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not usable: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The archive setting is not kept: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ArchiveStore</name>
    <message>
        <source>the Qt SQL driver %1 is not installed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the folder %1 cannot be created</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file holds tables, but it is not an archive of this program; it is left as it is</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the archive was written by a newer version of the program (schema %1; this one knows up to %2); it is left as it is</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a newer program changed the schema</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (migration to schema %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a limit set vanished while it was written</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a record could neither be stored nor found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>there is no download %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The archive could not be written: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The archive could not be written: %1. The records are kept on this PC (%2) and will be sent at the next successful connection.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The archive could not be written: %1. The records could not be kept on this PC either: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: archive schema %2, %3 records</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ArchiveTarget</name>
    <message>
        <source>--archive and --archive-service exclude each other</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>service= needs the name of a libpq service</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the archive URL holds a password; put it in ~/.pgpass (mode 0600) or the service file instead</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ArchiveWindow</name>
    <message>
        <source>From</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open in Data Page</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export CSV...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export Workbook...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export Report (PDF)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Archive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Any group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Group %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Any verdict</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No verdict</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Note contains...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The newest %1 records; more as the list scrolls</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The note could not be kept in the archive: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The data page holds at most %1 records; select %1 or fewer.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CalibrationPage</name>
    <message>
        <source>Input The Standard Power </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Factory Default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>dBm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please input Number!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no connection with the equipment so the calibration can&apos;t be done!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please set the calibration value between -65 and 30</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please enter a number.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore the factory calibration of all four channels? The current calibration will be lost.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CliArchive</name>
    <message>
        <source>the archive cannot be reached: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>delivered %1 downloads that waited on this PC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be imported: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 records, %3 new (download %4)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>download %1: note set</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>copy --to names the archive itself</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>copied %1 of %2 downloads, then: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>copied %1 downloads (%2 new records) to %3; %4 were there already</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: &apos;%2&apos; is not a date (2022-09-20) or date-time (2022-09-20T13:11)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--group: &apos;%1&apos; is not 1, 2 or 3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--verdict: &apos;%1&apos; is not pass, marginal, over, fail or none</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>archive import needs a FILE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>archive note needs a DOWNLOAD_ID (a number from archive downloads) and a TEXT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>archive needs list, downloads, import, note or copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>archive: &apos;%1&apos; is not list, downloads, import, note or copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--archive and --archive-service exclude each other</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--no-archive leaves nothing for archive to work on</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>archive does not use the meter; --port and --demo are for its commands</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>-o is for archive list and archive downloads</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--format is for archive list and archive downloads</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--since, --until, --group and --verdict are for archive list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>archive copy needs --to URL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--to is for archive copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>archived %1 records, %2 new (download %3)
</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CliCommandLine</name>
    <message>
        <source>Usage: qx390d-cli [--port DEVICE | --demo] [--quiet] COMMAND
The QX390D XG-PON optical power meter from scripts and terminals.

Commands:
  ports                                  the candidate ports, in the order they are tried
  records [-o FILE] [--format csv|json]  download every record (csv: as the program
          [--thresholds FILE]            exports it; json with FILE&apos;s verdicts)
  delete last|all --yes                  delete the last record, or all of them
  thresholds get [-o FILE]               the three threshold groups as a JSON file
  thresholds set FILE --yes              check a threshold file and upload it
  calibrate 1270|1310|1490|1577 DBM      calibrate a channel against a reference power
  factory-default --yes                  restore the factory calibration
  archive list [--since DATE] [--until DATE] [--group N] [--verdict V]
               [--format csv|json] [-o FILE]
                                         the archived records, newest first
  archive downloads [--format csv|json] [-o FILE]
                                         the archived downloads and imports
  archive import FILE...                 archive record tables (CSV, .xls, .xlsx)
  archive note DOWNLOAD_ID TEXT          set the note of a download
  archive copy --to URL                  copy the archive into another one

Options:
  --port DEVICE  use DEVICE (a serial port or a pseudo-terminal) instead of searching
                 the USB serial ports
  --demo         start a virtual meter and use it
  --quiet        no progress and no notes; errors only
  -o FILE        write to FILE instead of standard output (&quot;-&quot;); a file is replaced
                 only once complete, a device or FIFO is written into
  --yes          let a command change the meter
  --archive PATH|postgresql://...|service=NAME
                 the archive to use (also QX390D_ARCHIVE); by default
                 archive.sqlite in the program&apos;s data folder
  --archive-service NAME  the PostgreSQL archive of a libpq service
  --no-archive   records keeps nothing in the archive
  -h, --help     show this text
  -v, -V, --version  show the version

Exit codes: 0 done, 1 the meter failed (no answer in time, unplugged, refused) or the
output could not be written, 2 usage, 3 the port cannot be found or opened.
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> (see qx390d-cli --help)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>option %1 needs a value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown format &apos;%1&apos; (csv or json)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>option %1 takes no value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 needs %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no command given</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>last or all</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>delete: &apos;%1&apos; is neither last nor all</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>get or set</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a FILE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>thresholds: &apos;%1&apos; is neither get nor set</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a wavelength (1270, 1310, 1490 or 1577)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>calibrate: %1 is not 1270, 1310, 1490 or 1577</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a power in dBm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>calibrate: &apos;%1&apos; is not a number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>calibrate: %1 is outside -65…30</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown command &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--port and --demo exclude each other</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 writes no file; -o is for records and thresholds get</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--format is for records only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--thresholds is for records --format json only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 changes the meter; add --yes to go ahead</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CliSession</name>
    <message>
        <source>the meter did not answer %1 within %2 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the meter&apos;s port went away (unplugged or switched off?)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the serial ports cannot be listed: /sys/class/tty cannot be read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no USB serial port of the cdc_acm or cp210x driver</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no meter found: no USB serial port of the cdc_acm or cp210x driver (name one with --port)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot open %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the connect handshake</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the request for record 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>threshold part 1 of 9</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the calibration command</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>calibrated %1 to %2 dBm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>restored the factory calibration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>deleted all records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>deleted record %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>record %1/%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the request for record %1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the end of the download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the meter holds no records; nothing was deleted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the delete command</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>threshold part %1/%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>threshold part %1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the end of the threshold download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the meter&apos;s threshold answers were incomplete (%1 of %2 parts)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>downloaded the three threshold groups</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>upload part %1/%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the upload of group %1, part %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>downloaded %1 records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the meter holds no records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the meter reports %1 records; at most %2 can be downloaded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>uploaded the three threshold groups</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the virtual meter cannot start: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Usage: qx390d [--port DEVICE] [--demo] [--help] [--version]
Data management for the QX390D XG-PON optical power meter.

  --port DEVICE  connect to DEVICE (a serial port such as /dev/ttyUSB2, or a
                 pseudo-terminal) instead of searching the USB serial ports
  --demo         start a virtual meter inside the program and connect to it
  --archive PATH|postgresql://...|service=NAME
                 the archive that keeps every download and import (also
                 QX390D_ARCHIVE); by default the one chosen in Archive
                 Settings, else archive.sqlite in the program&apos;s data folder
  --archive-service NAME  the PostgreSQL archive of a libpq service
  --no-archive   keep nothing in the archive in this session
  -h, --help     show this text
  -v, -V, --version  show the program&apos;s version
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>
Try &apos;qx390d --help&apos;.
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>qx390d: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set); qx390d-cli works without one
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the archive of Archive Settings cannot be used: </source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ConnectionCommands</name>
    <message>
        <source>Do you want to delete all data?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete the %1th test data?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Conneced Fail!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open port failed,Please make sure the equipment  is turned on or connection is normal!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connection has been disconnected!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Have no data can be deleted!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DownloadProgress</name>
    <message>
        <source>Record %1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ExchangeWatch</name>
    <message>
        <source>The meter stopped answering during the record download (record %1 of %2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The meter stopped answering during the record download (record %1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The meter stopped answering during the threshold download (group %1, part %2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The meter stopped answering during the threshold upload (group %1, part %2).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Export</name>
    <message>
        <source>Data has already been successfully exported.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>already exist.<byte value="xd"/>
Is to replace it?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file can’t be saved.<byte value="xd"/>
Because it is being opened by other program.<byte value="xd"/>
Please be sure to close this file firstly!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The data could not be written completely; the file has been left as it was.<byte value="xd"/>
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Csv  (*.csv)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Excel Workbook (*.xlsx)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PDF Report (*.pdf)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HelpFile</name>
    <message>
        <source>The help cannot be opened: no program to show it was found.
Open this file with a web browser:
%1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainView</name>
    <message>
        <source>DownLoad Data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Threshold Setting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibration</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connect PON power meter...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DownLoad Data to PC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete current data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete all data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DownLoad threshold to PC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set threshold</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export as Excel Workbook...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export Report (PDF)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Tool</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Power Chart</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Archive...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Archive Settings...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Manage</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disconneced</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DownLoad data to PC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>UpLoad Threshold</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Thresholds to File...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Load Thresholds from File...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About PON power meter...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>VB4417 XGPON Power Meter Data Management Software</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure to quit the management software?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MessageBox</name>
    <message>
        <source>PON Prompt Message</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ther serial port has been disconnected unexpectedly.Please reconnect.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MeterAnswers</name>
    <message>
        <source>Connected Success!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DownLoad Threshold Complete!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>UpLoad Threshold Complete!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OutputFile</name>
    <message>
        <source>cannot write to standard output: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PdfReport</name>
    <message>
        <source>QX390D Power Meter Test Report</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>USB serial number %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>vendor %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>product %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>none (no meter connected)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Meter: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Operator: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Note: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Program: qx390d %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Records: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Verdicts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No verdicts: the threshold groups of these records were not known to the program.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Threshold groups used</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The records name no threshold group 1 to 3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Group %1: limits not known (not downloaded in this session); its records have no verdict.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Group %1 (dBm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Group %1, %2 (dBm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Power chart</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PowerChart</name>
    <message>
        <source>No. %1 (%2 dBm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 more</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 off the scale: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Power (dBm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Powers by record (LOW: triangles at the foot); all channels, no limit lines</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Powers by record (LOW: triangles at the foot); limits of threshold group %1, %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Powers by record (LOW: triangles at the foot); threshold group %1 not known</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> (off the scale)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PowerChartWindow</name>
    <message>
        <source>Save Image...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Power Chart</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All channels</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Limits of threshold group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PNG Image (*.png);;SVG Image (*.svg)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Program</name>
    <message>
        <source>the virtual meter cannot start: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>qx390d: virtual meter on %1
</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ProgramArchive</name>
    <message>
        <source>A download is running; open the archived records when it has ended.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecordDownload</name>
    <message>
        <source>DownLoad Data Complete!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Have no data can be download!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecordTable</name>
    <message>
        <source>No.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ONT:1270nm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ONT:1310nm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OLT:1490nm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OLT:1577nm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Threshold Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date-Time</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SerialPort</name>
    <message>
        <source>%1: the port is busy: another program is using it.
Close that program, then connect again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2
Ask the administrator to add your user to the &apos;dialout&apos; group, then log in again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ThresholdFile</name>
    <message>
        <source>line %1, column %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>groups entry %1 is not an object</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>groups entry %1: group is missing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>groups entry %1: group %2 is not 1, 2 or 3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>group %1 appears twice</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>group %1, name: %2 is not a text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>group %1, %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is missing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not an object</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 is not a number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 is outside -65…30</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>group %1, %2, %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file does not hold a JSON object</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>version is missing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>version %1 is not supported (only version %2 is)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>groups is missing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>groups is not a list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>group %1 is missing</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ThresholdsPage</name>
    <message>
        <source>The %1th threshold do not set completely!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please input number!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please set the threshold between -65 and 30</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sure you want to reset threshold value?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Over</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pass</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fail</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Threshold files (*.json)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Threshold Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>group %1, %2, %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: the cell holds no number; nothing was saved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The thresholds have been saved to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The thresholds could not be saved.<byte value="xd"/>
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file cannot be loaded; the grid has been left as it was.<byte value="xd"/>
%1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Verdict</name>
    <message>
        <source>Pass</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marginal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Over</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fail</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2</source>
        <extracomment>A verdict and how many records have it (&quot;Pass: 3&quot;).</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No verdict: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (threshold group %2: Over %3, Pass %4, Fail %5 dBm)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
