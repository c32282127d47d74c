# The test-module variants: for each, the stem of its module file (diag_<stem>.dll) and the settings
# test_module.cpp is compiled with. modules/README.md says what each variant is for; keep the two
# in step. Read by the cross build (which compiles them) and by the main build (which packs them).
set(ZVK_TEST_MODULE_VARIANTS
    standard single no_devices statuses slow log_busy refuse_first refuse_second read_only
    module_device no_log_screen no_end no_image null_image bad_image null_interface no_interface
    no_used_screens unknown_import upper_case null_name other_section ignore_abort progress_first
    straight_run slow_run_first log_busy_run_first)

set(zvk_tm_standard [[TM_NAME="StandardModule"]])
set(zvk_tm_single [[TM_NAME="SingleModule"]] TM_DEVICES=1 TM_TESTS=1)
set(zvk_tm_no_devices [[TM_NAME="NoDevicesModule"]] TM_DEVICES=0)
set(zvk_tm_statuses [[TM_NAME="StatusModule"]] TM_DEVICES=2 TM_TESTS=5 "TM_STATUSES=0,1,2,3,7")
set(zvk_tm_slow [[TM_NAME="SlowModule"]] TM_DEVICES=2 TM_TESTS=2 TM_ENUM_MS=1000 TM_TEST_MS=3000 TM_TEST_STEPS=30)
set(zvk_tm_log_busy [[TM_NAME="LogBusyModule"]] TM_BEGIN_RUN=1)
set(zvk_tm_refuse_first [[TM_NAME="RefuseFirstModule"]] TM_REFUSE_SELECT=1)
set(zvk_tm_refuse_second [[TM_NAME="RefuseSecondModule"]] TM_REFUSE_SELECT=2)
set(zvk_tm_read_only [[TM_NAME="ReadOnlyModule"]] TM_DEVICES_PROPERTY=2)
set(zvk_tm_module_device [[TM_NAME="ModuleDeviceModule"]] TM_PROGRESS_PROPERTY=4)
set(zvk_tm_no_log_screen [[TM_NAME="NoLogScreenModule"]] TM_USED_SCREENS=92)
set(zvk_tm_no_end [[TM_NAME="NoEndModule"]] TM_USED_SCREENS=62)
set(zvk_tm_progress_first [[TM_NAME="ProgressFirstModule"]] TM_USED_SCREENS=80)
set(zvk_tm_straight_run [[TM_NAME="StraightRunModule"]] TM_USED_SCREENS=82 TM_PROGRESS_PROPERTY=4 TM_TESTS=2)
set(zvk_tm_slow_run_first [[TM_NAME="SlowRunFirstModule"]] TM_USED_SCREENS=80 TM_PROGRESS_PROPERTY=4 TM_TESTS=3
    TM_TEST_MS=2000 TM_TEST_STEPS=20)
set(zvk_tm_log_busy_run_first [[TM_NAME="LogBusyRunFirstModule"]] TM_USED_SCREENS=80 TM_PROGRESS_PROPERTY=4
    TM_BEGIN_RUN=1)
set(zvk_tm_no_image [[TM_NAME="NoImageModule"]] TM_EXPORT_IMAGE=0)
set(zvk_tm_null_image [[TM_NAME="NullImageModule"]] TM_PICTURE=0)
set(zvk_tm_bad_image [[TM_NAME="BadImageModule"]] TM_PICTURE=2)
set(zvk_tm_null_interface [[TM_NAME="NullInterfaceModule"]] TM_INTERFACE=0)
set(zvk_tm_no_interface [[TM_NAME="NoInterfaceModule"]] TM_EXPORT_INTERFACE=0)
set(zvk_tm_no_used_screens [[TM_NAME="NoUsedScreensModule"]] TM_EXPORT_USED_SCREENS=0)
set(zvk_tm_unknown_import [[TM_NAME="UnknownImportModule"]] TM_UNKNOWN_IMPORT=1)
set(zvk_tm_upper_case [[TM_NAME="UpperCaseModule"]] TM_UPPER_CASE=1)
set(zvk_tm_null_name TM_NULL_NAME=1)
set(zvk_tm_other_section [[TM_NAME="OtherSectionModule"]] [[TM_SUBSYSTEM="TEST_OTHER_SECTION"]])
set(zvk_tm_ignore_abort [[TM_NAME="IgnoreAbortModule"]] TM_DEVICES=1 TM_TESTS=1 TM_TEST_MS=60000 TM_TEST_STEPS=600
    TM_IGNORE_ABORT=1)

# The ones the program's run folder gets, so that a plain run shows modules.
set(ZVK_RUN_DIR_TEST_MODULES standard statuses)
