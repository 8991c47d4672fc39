#pragma once
// Opening the receiver's serial port, shared by the Garmin link and NMEA
// reception: the port by name at a baud rate, its input purged, or the text
// to show when that fails.

#include <memory>
#include <string>

#include "platform/SerialPort.h"

// The open port with its input purged, or null and why in failure:
// "Error! Can not open port <name>! <consequence>" and the system's reason on
// a line of its own, or "Error! Can not PurgeComm!". lowerModemLines as in
// CSerialPort::Open.
std::unique_ptr<ISerialIO> OpenReceiverPort(const std::string& name, int baud, bool lowerModemLines,
                                            const std::string& consequence, std::string& failure);

// The same text for a port another way of opening failed to give.
std::string PortOpenFailure(const std::string& name, const std::string& consequence);

// Purges what a freshly opened port holds; false (with the text in failure)
// when it cannot.
bool PurgeReceiverPort(ISerialIO& port, std::string& failure);
