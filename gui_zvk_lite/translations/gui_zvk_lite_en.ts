<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Translations</name>
    <message>
        <source>InauthenticModule</source>
        <translation>A module did not pass its authenticity check. ZVK Lite will now close.</translation>
    </message>
    <message>
        <source>InauthenticModuleTitle</source>
        <translation>Inauthentic module</translation>
    </message>
    <message>
        <source>IntervalLogNotFound</source>
        <translation>No log was found for the chosen time.</translation>
    </message>
    <message>
        <source>InvalidModule</source>
        <translation>This module could not be loaded: </translation>
    </message>
    <message>
        <source>InvalidModuleTitle</source>
        <translation>Invalid module</translation>
    </message>
    <message>
        <source>LogBroken</source>
        <translation>This part of the log is incomplete: the module did not close it properly.</translation>
    </message>
    <message>
        <source>LogBusyText</source>
        <translation>The module's log file is in use. Please try again in a moment.</translation>
    </message>
    <message>
        <source>LogBusyTitle</source>
        <translation>Log file in use</translation>
    </message>
    <message>
        <source>LogFileNotFound</source>
        <translation>The log file could not be found.</translation>
    </message>
    <message>
        <source>Memory</source>
        <translation>Memory</translation>
    </message>
    <message>
        <source>ResultCode</source>
        <translation>Result code</translation>
    </message>
    <message>
        <source>SingleInstanceApp</source>
        <translation>ZVK Lite is already running on this computer, perhaps for another user. Only one copy can run at a time.</translation>
    </message>
    <message>
        <source>SingleInstanceAppTitle</source>
        <translation>ZVK Lite is already running</translation>
    </message>
    <message>
        <source>Storage</source>
        <translation>Storage</translation>
    </message>
</context>
<context>
    <name>device_Frame</name>
    <message>
        <source>Back</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Next</translation>
    </message>
</context>
<context>
    <name>log_frame</name>
    <message>
        <source>BackButton</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>BackToMenu</source>
        <translation>Back to menu</translation>
    </message>
    <message>
        <source>CheckupLog</source>
        <translation>Checkup log</translation>
    </message>
    <message>
        <source>ReturnToMenuToolTip</source>
        <translation>Return to the main menu</translation>
    </message>
    <message>
        <source>ReturnToPreviousScreenToolTip</source>
        <translation>Return to the previous screen</translation>
    </message>
</context>
<context>
    <name>log_selection_Frame</name>
    <message>
        <source>BackButton</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>LogsDateSelectionTitle</source>
        <translation>Show the logs from</translation>
    </message>
    <message>
        <source>PreviousLogsTitle</source>
        <translation>Past logs</translation>
    </message>
    <message>
        <source>ReturnToPreviousScreenToolTip</source>
        <translation>Return to the main menu</translation>
    </message>
    <message>
        <source>SearchButton</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>SearchButtonToolTip</source>
        <translation>Show the logs of the chosen days</translation>
    </message>
    <message>
        <source>SelectFromDateToolTip</source>
        <translation>The first day to show</translation>
    </message>
    <message>
        <source>SelectToDateToolTip</source>
        <translation>The last day to show</translation>
    </message>
    <message>
        <source>dateLabel</source>
        <translation>to</translation>
    </message>
</context>
<context>
    <name>main_Frame</name>
    <message>
        <source>PastLogs</source>
        <translation>Past logs</translation>
    </message>
</context>
<context>
    <name>main_window</name>
    <message>
        <source>BIOS Serial: </source>
        <translation>BIOS Serial: </translation>
    </message>
    <message>
        <source>Version: </source>
        <translation>Version: </translation>
    </message>
</context>
<context>
    <name>progress_Frame</name>
    <message>
        <source>BackToMenu</source>
        <translation>Back to menu</translation>
    </message>
    <message>
        <source>ViewLogs</source>
        <translation>View logs</translation>
    </message>
</context>
<context>
    <name>test_Frame</name>
    <message>
        <source>Back</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>RunTests</source>
        <translation>Run tests</translation>
    </message>
</context>
</TS>
