// Every text the wizard shows or writes, in one place: captions, messages and summaries are
// part of the program's face and must stay exactly as they are.
#pragma once

namespace ql::config {

inline constexpr char kProgramName[] = "QlConfig";

// Start-up.
inline constexpr char kNotAdminCaption[] = "Insufficient Privileges";
inline constexpr char kNotAdminText[] =
    "You must be an Administrator to\ninstall or reconfigure Quillon-NT.";
inline constexpr char kLowMemoryCaption[] = "QlConfig: Insufficient Memory";
inline constexpr char kLowMemoryText[] =
    "Your system must be configured with at\nleast 32MB of RAM memory to use Quillon-NT";
inline constexpr char kRegisterServiceFailed[] = "Error registering QlAlloc service";
inline constexpr char kWizardCaptionFormat[] = "Quillon-NT V%d.%d-%x Configuration Wizard";
inline constexpr int kVersionMajor = 4;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 1;

// Installation: message boxes.
inline constexpr char kNotConfiguredCaption[] = "Quillon-NT Not Configured";
inline constexpr char kNoSystemRoot[] = "Fatal Error\n Unable to determine system root drive";
inline constexpr char kNoSessionManagerKey[] = "Fatal Error\n Unable to open session manager key";
inline constexpr char kNoSessionManagerQuery[] = "Fatal Error\n Unable to query session manager";
inline constexpr char kEventSourceKeyFailed[] =
    "Error, unable to register Quillon with event logger";
inline constexpr char kEventSourceValueFailed[] =
    "Error, unable to register Quillon-NT with event logger";
inline constexpr char kServiceKeyFailed[] = "Error, couldn't create Quillon-NT registry key";
inline constexpr char kParametersKeyFailed[] =
    "Error, couldn't create Quillon-NT Parameters registry key";
inline constexpr char kValueFailed[] = "Error, unable to write Quillon-NT registry value";
inline constexpr char kTypeValueFailed[] = "Error, unable to write Quillon registry value";

// Installation: warnings on the standard error stream.
inline constexpr char kGroupOrderOpenFailed[] = "Error, unable to open service group order key\n";
inline constexpr char kGroupOrderQueryFailed[] = "Warning, unable to query service group order\n";
inline constexpr char kGroupOrderWriteFailed[] = "Error, couldn't write to Service Group Order\n";
inline constexpr char kDriverNameTooLong[] = "Error, driver name too long for its key paths\n";

// Options page.
inline constexpr char kDriveStringsFailed[] = "Internal error: GetDriveLogicalStrings() failed";
inline constexpr char kQueryDosDeviceFailedFormat[] =
    "Internal error: QueryDosDevice() failed, drive %s";
inline constexpr char kDriveEntryFormat[] = " %s        %12d";
inline constexpr char kDisableEntry[] = "Disable Quillon-NT";
inline constexpr char kListColumnHeader[] = " Drive           Size(MB)";
inline constexpr char kStoredDisabled[] = "Quillon-NT is disabled";
inline constexpr char kChosenDisabled[] = "Quillon-NT disabled";
inline constexpr char kEnabledFormat[] = "Quillon-NT enabled, Drive %s\nLazy Write is %s";
inline constexpr char kOn[] = "ON";
inline constexpr char kOff[] = "OFF";

// Allocator service registration.
inline constexpr char kAllocServiceName[] = "QlAlloc";
inline constexpr char kAllocProgramPath[] = "%SystemRoot%\\System32\\QlAllSrv.exe";

}  // namespace ql::config
