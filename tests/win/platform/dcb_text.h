#pragma once

#include <windows.h>

#include <string>

// A DCB as one line of text, field by field through the platform's own member names, so
// that two can be compared at once and a difference reads as what it is.
inline std::string DcbText(const DCB& d) {
    auto field = [](const char* name, unsigned long value) { return std::string(name) + "=" + std::to_string(value); };
    return field("length", d.DCBlength) + " " + field("baud", d.BaudRate) + " " + field("bits", d.ByteSize) + " " +
           field("parity", d.Parity) + " " + field("stop", d.StopBits) + " " + field("binary", d.fBinary) + " " +
           field("parityCheck", d.fParity) + " " + field("cts", d.fOutxCtsFlow) + " " + field("dsr", d.fOutxDsrFlow) +
           " " + field("dtr", d.fDtrControl) + " " + field("dsrSensitivity", d.fDsrSensitivity) + " " +
           field("txContinue", d.fTXContinueOnXoff) + " " + field("outX", d.fOutX) + " " + field("inX", d.fInX) + " " +
           field("errorChar", d.fErrorChar) + " " + field("null", d.fNull) + " " + field("rts", d.fRtsControl) + " " +
           field("abort", d.fAbortOnError) + " " + field("xonLim", d.XonLim) + " " + field("xoffLim", d.XoffLim) + " " +
           field("xon", static_cast<unsigned char>(d.XonChar)) + " " +
           field("xoff", static_cast<unsigned char>(d.XoffChar)) + " " +
           field("error", static_cast<unsigned char>(d.ErrorChar)) + " " +
           field("eof", static_cast<unsigned char>(d.EofChar)) + " " +
           field("event", static_cast<unsigned char>(d.EvtChar));
}
