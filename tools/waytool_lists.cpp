// `waytool lists`: the CDPD list and the 3G list as tables, each decoded by the module's own
// decoder, so the table shows what the module would load.
#include "tools/waytool_core.h"

#include "cdpd/cdpd_list.h"
#include "threeg/target_list.h"
#include "tools/waytool_checks.h"
#include "tools/waytool_table.h"
#include "tools/waytool_text.h"

namespace {

std::string cdpdTable(const std::string& path, const std::vector<uint8_t>* bytes,
                      std::vector<std::string>& errors) {
    std::string out = "CDPD list " + fileNameText(path);
    if (bytes == nullptr)
        return out + ": no file (the module starts with an empty list)\n";
    int32_t serialPort = 0, modemModel = 0, count = 0;
    CdpdAddress list[kCdpdCapacity] = {};
    decodeCdpdList(bytes->data(), bytes->size(), serialPort, modemModel, list, count);
    checkListFile(path, bytes->size(), kCdpdListHeaderBytes, 8, sizeof(CdpdAddress),
                  kCdpdCapacity, bytes->data(), errors);

    const char* port = serialPortName(serialPort);
    const char* model = modemModelName(modemModel);
    out += ": " + number(count) + (count == 1 ? " entry" : " entries") + "; serial port " +
           (port ? port : "unknown") + " (" + number(serialPort) + "), modem model " +
           (model ? model : "unknown") + " (" + number(modemModel) + ")\n";
    if (count == 0)
        return out;
    std::vector<std::vector<std::string>> rows = {{"#", "address", "description", "frequency",
                                                   "resolution", "icon", "enabled", "modem"}};
    for (int32_t i = 0; i < count; ++i) {
        const CdpdAddress& e = list[i];
        rows.push_back({number(i + 1), dottedAddress(e.address),
                        fieldText(e.description, sizeof e.description),
                        floatText(e.frequency) + " min", number(e.resolution) + " ft",
                        iconText(e.iconIndex), flagText(e.enabled, "yes", "no"),
                        flagText(e.modemFlag, "modem", "device")});
    }
    return out + table(rows);
}

std::string targetTable(const std::string& path, const std::vector<uint8_t>* bytes,
                        std::vector<std::string>& errors) {
    std::string out = "3G list " + fileNameText(path);
    if (bytes == nullptr)
        return out + ": no file (the module starts with an empty list)\n";
    int32_t count = 0;
    ThreeGTarget list[kTargetCapacity] = {};
    decodeTargetList(bytes->data(), bytes->size(), list, count);
    checkListFile(path, bytes->size(), kTargetListHeaderBytes, 0, sizeof(ThreeGTarget),
                  kTargetCapacity, bytes->data(), errors);

    out += ": " + number(count) + (count == 1 ? " target\n" : " targets\n");
    if (count == 0)
        return out;
    std::vector<std::vector<std::string>> rows = {
        {"#", "target ID", "description", "frequency", "resolution", "icon", "enabled",
         "last latitude", "last longitude"}};
    for (int32_t i = 0; i < count; ++i) {
        const ThreeGTarget& t = list[i];
        // Both zero: a new target, nothing logged yet.
        bool logged = t.lastLatitude != 0 || t.lastLongitude != 0;
        rows.push_back({number(i + 1), targetIdText(t.targetId),
                        fieldText(t.description, sizeof t.description),
                        floatText(t.frequency) + " min", number(t.resolution) + " ft",
                        iconText(t.iconIndex), flagText(t.enabled, "yes", "no"),
                        logged ? fixedDegrees(t.lastLatitude, kMessageDigits) : "none",
                        logged ? fixedDegrees(t.lastLongitude, kMessageDigits) : "none"});
    }
    return out + table(rows);
}

}  // namespace

ToolReport listTables(const std::string& cdpdPath, const std::vector<uint8_t>* cdpd,
                      const std::string& targetPath, const std::vector<uint8_t>* targets) {
    ToolReport report;
    if (cdpd == nullptr && targets == nullptr) {
        report.errors.push_back(cdpdPath + " and " + targetPath +
                                ": neither list file exists (is this a device root?)");
        return report;
    }
    report.text += cdpdTable(cdpdPath, cdpd, report.errors);
    report.text += "\n";
    report.text += targetTable(targetPath, targets, report.errors);
    return report;
}
