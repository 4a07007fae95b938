// The printable form of bytes for the simulator's log: 0x20 to 0x7E as they are, others as \xHH.
#pragma once
#include <string>
#include <string_view>

std::string Printable(std::string_view bytes);
