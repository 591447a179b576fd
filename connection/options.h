#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/edition.h"
#include "connection/settings.h"

namespace varno {

// One labelled text box of the options dialog.
struct OptionField {
    std::string_view key;
    std::string_view label;
    std::string value;
};

// The boxes of the edition in order, filled from the settings file (the dialog's opening).
std::vector<OptionField> LoadOptionFields(const Edition& edition, const std::string& iniPath);

// Ok: writes every box under its key in order, then reloads the settings from the file.
// Returns whether every value was written.
bool SaveOptionFields(const Edition& edition, const std::vector<OptionField>& fields,
                      const std::string& iniPath, Settings& settings);

}  // namespace varno
