#pragma once

#include <array>
#include <cstdint>

namespace mv4700 {

// The order to erase the program memory and restart in the loader. The same 13
// bytes go out on both links (split 8 + 5 over two reports on USB) and are what
// the reader's firmware accepts.
inline constexpr std::array<std::uint8_t, 13> kEraseCommand{0x1B, 0xE5, 0x5A, 0xA5, 'E', 'R', 'A',
                                                            'S',  'E',  '4',  '7',  '0', '0'};

}  // namespace mv4700
