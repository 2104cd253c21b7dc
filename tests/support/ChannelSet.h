// A channel set (as the window and the song keep them) from a list of channel numbers.
#pragma once

#include <bitset>
#include <initializer_list>

inline std::bitset<256> Channels(std::initializer_list<int> list)
{
    std::bitset<256> set;
    for (int c : list)
        set.set(size_t(c));
    return set;
}
