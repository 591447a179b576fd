#include "tray/tray_tip.h"

namespace varno {

std::string TrayTipRecord(std::string_view caption) {
    std::string record(caption);
    record.push_back('\0');
    record.resize(kTrayTipWidth, ' ');
    return record;
}

std::string TrayTipText(std::string_view caption) {
    const std::string record = TrayTipRecord(caption);
    return record.substr(0, record.find('\0'));
}

}  // namespace varno
