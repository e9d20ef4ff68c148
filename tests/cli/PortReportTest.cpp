// What rkt5-flash ports prints for cables Windows lists with faults: scripted devices, as SetupAPI
// would give them, through the survey and the report, as text and as JSON.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/PortReport.h"
#include "serial/Win32Cables.h"

namespace rkt5::cli {
namespace {

TEST(PortReport, ShowsTheFindingsOfCablesWindowsListsWithFaults) {
    const std::vector<Win32Device> devices{
        {.instanceId = R"(USB\VID_067B&PID_2303\5&2B3F1A2&0&2)",
         .friendlyName = "PL2303HXA PHASED OUT SINCE 2012. PLEASE CONTACT YOUR SUPPLIER.",
         .service = "Ser2pl64",
         .driverVersion = "3.9.6.2",
         .problemCode = 10u,
         .location = "Port_#0002.Hub_#0001"},
        {.instanceId = R"(USB\VID_1A86&PID_7523\5&3A1B2C&0&3)",
         .description = "USB Serial",
         .problemCode = 28u,
         .location = "Port_#0003.Hub_#0001"},
        {.instanceId = R"(FTDIBUS\VID_0403+PID_6001+A50285BIA\0000)",
         .parentInstanceId = R"(USB\VID_0403&PID_6001\A50285BI)",
         .friendlyName = "USB Serial Port (COM5)",
         .service = "FTSER2K",
         .portName = "COM5",
         .latencyTimer = 16u},
        {.instanceId = R"(USB\VID_0403&PID_6001\A50285BI)", .location = "Port_#0004.Hub_#0001"},
    };
    const CableSurvey survey =
        surveyCables(fingerprintsOf(devices), {}, PortNames{}, CableSystem{.windows = true});
    const auto rows =
        portReportRows(PortNames{}, {}, survey, [](const std::string&) { return "can be opened"; });
    std::ostringstream text;
    printPortReport(rows, survey.findings, text);
    for (const char* part : {
             "COM5  COM5     can be opened\n",
             "FTDI FT232R, USB 0403:6001, serial A50285BI, at Port_#0004.Hub_#0001, driver "
             "FTSER2K, "
             "latency 16 ms\n",
             "! The adapter's latency timer is 16 ms",
             "Fix: Device Manager > Ports (COM & LPT) > COM5 > Properties > Port Settings > "
             "Advanced "
             "> Latency Timer (msec): 1",
             "! Windows' Prolific driver refuses this cable's PL2303HXA/XA chip (\"PHASED OUT\")",
             "Fix: Install Prolific driver 3.3.11.152",
             "! No driver is installed for this WCH CH340 cable (code 28): it has no COM port",
         }) {
        EXPECT_NE(text.str().find(part), std::string::npos) << part << "\nin:\n" << text.str();
    }
    const std::string json = portReportJson(rows, survey.findings);
    for (const char* part : {"\"rule\": \"prolific-phased-out\"", "\"rule\": \"no-driver\"",
                             "\"rule\": \"latency-timer\"", "\"problemCode\": 28"}) {
        EXPECT_NE(json.find(part), std::string::npos) << part << "\nin:\n" << json;
    }
}

}  // namespace
}  // namespace rkt5::cli
