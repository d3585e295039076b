// The two texts the engine remembers for each user under HKEY_CURRENT_USER\ZevQuillonTune:
// the MaxLRU field and the PageSize field as they were at the last save.
#pragma once

#include <string>

#include "platform/registry.h"

namespace ql::tune {

inline constexpr char kRememberedKeyPath[] = "ZevQuillonTune";
inline constexpr char kRememberedMaxLRU[] = "LargeVarType";       // field Edit3
inline constexpr char kRememberedPageSize[] = "DefaultPageSize";  // field Edit1
inline constexpr char kDefaultRememberedMaxLRU[] = "65535";
inline constexpr char kDefaultRememberedPageSize[] = "32768";

// Puts the remembered texts into the two fields. A missing key or value gives the default
// text; a value that is neither REG_SZ nor REG_EXPAND_SZ is skipped and the field keeps its
// text; otherwise the field gets the data up to its first NUL (size 0: an empty field).
// Never fails.
void ReadRememberedFields(Registry& registry, std::string& maxLRUField, std::string& pageSizeField);

// Stores both texts as REG_SZ without a terminating NUL, creating the key if missing.
// Raises TuneError "Failed to set data for '<name>'" for the first value that cannot be
// written (the first one also when the key cannot be opened).
void WriteRememberedFields(Registry& registry, const std::string& maxLRUField,
                           const std::string& pageSizeField);

}  // namespace ql::tune
