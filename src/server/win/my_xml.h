// Reads the device list of config.xml through the MSXML 3.0 DOM. The
// interface is plain C++; COM stays inside. The calling thread must have
// entered a COM apartment.
#pragma once

#include <functional>
#include <string>

namespace velmor::server {

struct ConfigDevice {
    std::wstring id;         // DEVICE_ID
    std::wstring pseudonym;  // PSEUDONIM
    std::wstring directory;  // DIRECTORY
};

class MyXML {
public:
    // Receives each diagnostic text once it is formatted.
    using ReportSink = std::function<void(const std::string& text)>;
    // Shows a message to the user and waits for it to be dismissed.
    using AlertSink = std::function<void(const std::wstring& text, const std::wstring& caption)>;
    using DeviceSink = std::function<void(const ConfigDevice& device)>;

    // By default reports go to the debugger output and standard output, and
    // alerts are message boxes.
    MyXML();

    void SetReportSink(ReportSink sink) { report_ = std::move(sink); }
    void SetAlertSink(AlertSink sink) { alert_ = std::move(sink); }

    // Hands every PPC child of the root element that carries DEVICE_ID,
    // PSEUDONIM and DIRECTORY to onDevice, in document order. A missing file
    // ends silently; failures are reported and end the reading.
    void ReadDevices(const std::wstring& path, const DeviceSink& onDevice);

private:
    void ReportHrFailure(int line, const char* label, long hr, const char* call);
    void ReportParseError(void* document, const char* message);

    ReportSink report_;
    AlertSink alert_;
};

}  // namespace velmor::server
