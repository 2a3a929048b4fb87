// Shared set-up for engine tests: a COM apartment (for MSXML), a temporary
// exchange folder, and helpers that write config.xml and status lines.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server/server_engine.h"
#include "temp_folder.h"

namespace velmor::server::test {

constexpr char kIdA[] = "AAAAAAAA-0000-0000-0000-000000000001";
constexpr char kIdB[] = "BBBBBBBB-0000-0000-0000-000000000002";
constexpr char kIdC[] = "CCCCCCCC-0000-0000-0000-000000000003";

inline std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// One PPC element.
inline std::string Ppc(const std::string& id, const std::string& name, const std::string& dir) {
    return "  <PPC DEVICE_ID=\"" + id + "\" PSEUDONIM=\"" + name + "\" DIRECTORY=\"" + dir +
           "\"/>\r\n";
}

inline std::string Config(const std::string& body) {
    return "<?xml version=\"1.0\"?>\r\n<DEVICES>\r\n" + body + "</DEVICES>\r\n";
}

// A status line: id, a second field, file, time, number.
inline std::string Line(const std::string& id, const std::string& file,
                        const std::string& time = "2024-05-31 14-30-05",
                        const std::string& number = "123") {
    return id + "\tx\t" + file + "\t" + time + "\t" + number + "\r\n";
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        comStarted_ = true;
        engine_.ConfigReader().SetReportSink([this](const std::string& t) { reports_ += t; });
        engine_.ConfigReader().SetAlertSink(
            [this](const std::wstring&, const std::wstring&) { ++alerts_; });
    }
    void TearDown() override {
        if (comStarted_) CoUninitialize();
    }

    // Writes config.xml with devices A, B and C and opens the folder.
    void OpenThreeDevices() {
        dir_.Write(L"config.xml", Config(Ppc(kIdA, "Alpha", "dirA") + Ppc(kIdB, "Beta", "dirB") +
                                         Ppc(kIdC, "Gamma", "dirC")));
        engine_.SetExchangeDir(dir_.path());
    }

    std::wstring Field(const std::string& id, const wchar_t* name);
    std::wstring InfoOf(const std::string& id) {
        return engine_.GetPPCInfo(ParseDeviceId(Wide(id)));
    }

    TempFolder dir_;
    ServerEngine engine_;
    std::string reports_;
    int alerts_ = 0;

private:
    bool comStarted_ = false;
};

}  // namespace velmor::server::test
