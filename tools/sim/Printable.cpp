// The printable form of bytes for the simulator's log.
#include "Printable.h"

std::string Printable(std::string_view bytes)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (char c : bytes) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte <= 0x7E) {
            text += c;
        } else {
            text += "\\x";
            text += kHex[byte >> 4];
            text += kHex[byte & 0x0F];
        }
    }
    return text;
}
