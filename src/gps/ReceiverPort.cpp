#include "gps/ReceiverPort.h"

std::string PortOpenFailure(const std::string& name, const std::string& consequence) {
    return "Error! Can not open port " + name + "! " + consequence;
}

bool PurgeReceiverPort(ISerialIO& port, std::string& failure) {
    if (port.PurgeInput()) return true;
    failure = "Error! Can not PurgeComm!";
    return false;
}

std::unique_ptr<ISerialIO> OpenReceiverPort(const std::string& name, int baud, bool lowerModemLines,
                                            const std::string& consequence, std::string& failure) {
    auto port = std::make_unique<CSerialPort>();
    if (!port->Open(name, baud, lowerModemLines)) {
        failure = port->OpenFailureMessage(PortOpenFailure(name, consequence));
        const std::string reason = port->ErrorText();
        if (!reason.empty()) failure += "\n" + reason;
        return nullptr;
    }
    if (!PurgeReceiverPort(*port, failure)) {
        port->Close();
        return nullptr;
    }
    return port;
}
