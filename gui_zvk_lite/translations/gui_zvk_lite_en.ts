<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>GUITestScreen</name>
    <message>
        <source>DefaultTestsOptions</source>
        <translation>Hide the list</translation>
    </message>
    <message>
        <source>HideTestsTooltip</source>
        <translation>Hide the list of tests</translation>
    </message>
    <message>
        <source>SelectTestsOptions</source>
        <translation>Choose tests</translation>
    </message>
    <message>
        <source>ShowTestsTooltip</source>
        <translation>Show the list of tests</translation>
    </message>
</context>
<context>
    <name>Translations</name>
    <message>
        <source>Aborted</source>
        <translation>Aborted</translation>
    </message>
    <message>
        <source>AllPassed</source>
        <translation>All tests passed</translation>
    </message>
    <message>
        <source>DeviceSelected</source>
        <translation>Device selected for tests</translation>
    </message>
    <message>
        <source>ErrorsDetected</source>
        <translation>with errors</translation>
    </message>
    <message>
        <source>ErrorsFound</source>
        <translation>Errors found</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Failed</translation>
    </message>
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
        <source>NotSupported</source>
        <translation>Not supported</translation>
    </message>
    <message>
        <source>Passed</source>
        <translation>Passed</translation>
    </message>
    <message>
        <source>ResultCode</source>
        <translation>Result code</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>Running</translation>
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
    <message>
        <source>TestAbortedByUser</source>
        <translation>Test aborted by the user</translation>
    </message>
    <message>
        <source>TestNotSupported</source>
        <translation>Test not supported</translation>
    </message>
    <message>
        <source>TestsAborted</source>
        <translation>aborted</translation>
    </message>
    <message>
        <source>TestsPassed</source>
        <translation>passed</translation>
    </message>
    <message>
        <source>TestsUnavailable</source>
        <translation>not available</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>Waiting</translation>
    </message>
</context>
<context>
    <name>device_Frame</name>
    <message>
        <source>BackButton</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>DeviceScreenNoSelectionTittle</source>
        <translation>These devices will be tested:</translation>
    </message>
    <message>
        <source>DeviceScreenWithSelectionTitle</source>
        <translation>Select the devices to test:</translation>
    </message>
    <message>
        <source>GoToNextScreenToolTip</source>
        <translation>Go on with the selected devices</translation>
    </message>
    <message>
        <source>LoadingLabel...</source>
        <translation>Looking for devices...</translation>
    </message>
    <message>
        <source>NextButton</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>ReturnToPreviousScreenToolTip</source>
        <translation>Return to the previous screen</translation>
    </message>
    <message>
        <source>SelectAllCheckBox</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>SelectAllToolTip</source>
        <translation>Select or clear every device</translation>
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
        <source>PastLogsToken</source>
        <translation>Past logs</translation>
    </message>
    <message>
        <source>PastLogsToolTips</source>
        <translation>Show the logs of earlier test runs</translation>
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
        <source>ProgressScreenTitle</source>
        <translation>Test run</translation>
    </message>
    <message>
        <source>ReturnToMenuToolTip</source>
        <translation>Return to the module list</translation>
    </message>
    <message>
        <source>StopTests</source>
        <translation>Stop tests</translation>
    </message>
    <message>
        <source>StopTestsToolTip</source>
        <translation>Ask the module to stop the running test</translation>
    </message>
    <message>
        <source>ViewLogs</source>
        <translation>View logs</translation>
    </message>
    <message>
        <source>ViewLogsToolTip</source>
        <translation>Show the log of this run</translation>
    </message>
</context>
<context>
    <name>test_Frame</name>
    <message>
        <source>BackButton</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>BasicTest</source>
        <translation>All tests of the module</translation>
    </message>
    <message>
        <source>BasicTestToolTip</source>
        <translation>Every test of the module runs unless you choose otherwise</translation>
    </message>
    <message>
        <source>ReturnToPreviousScreenToolTip</source>
        <translation>Return to the previous screen</translation>
    </message>
    <message>
        <source>RunTestsButton</source>
        <translation>Run tests</translation>
    </message>
    <message>
        <source>RunTestsToolTip</source>
        <translation>Start the selected tests</translation>
    </message>
    <message>
        <source>SelectAllCheckBox</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>SelectAllToolTip</source>
        <translation>Select or clear every test</translation>
    </message>
    <message>
        <source>TestScreenTitle</source>
        <translation>Select the tests to run:</translation>
    </message>
    <message>
        <source>TestSelectionToken</source>
        <translation>Tests</translation>
    </message>
</context>
</TS>
