#include "midi/ChannelSet.h"

#include <bit>

int TChannelSet::TIterator::NextMember(const TWords& words, int from)
{
    for (int channel = from; channel < Size;) {
        const uint64_t rest = words[size_t(channel / 64)] >> (channel % 64);
        if (rest != 0)
            return channel + std::countr_zero(rest);
        channel = (channel / 64 + 1) * 64;
    }
    return Size;
}

TChannelSet::TChannelSet(std::initializer_list<int> channels)
{
    for (int channel : channels)
        Add(channel);
}

bool TChannelSet::Contains(int channel) const
{
    if (channel < 0 || channel >= Size)
        return false;
    return (FWords[size_t(channel / 64)].load(std::memory_order_relaxed) >> (channel % 64)) & 1;
}

void TChannelSet::Add(int channel)
{
    if (channel >= 0 && channel < Size)
        FWords[size_t(channel / 64)].fetch_or(uint64_t(1) << (channel % 64), std::memory_order_relaxed);
}

void TChannelSet::Remove(int channel)
{
    if (channel >= 0 && channel < Size)
        FWords[size_t(channel / 64)].fetch_and(~(uint64_t(1) << (channel % 64)), std::memory_order_relaxed);
}

void TChannelSet::Clear()
{
    Assign(TWords{});
}

bool TChannelSet::Empty() const
{
    return Words() == TWords{};
}

int TChannelSet::Count() const
{
    int count = 0;
    for (uint64_t word : Words())
        count += std::popcount(word);
    return count;
}

TChannelSet::TWords TChannelSet::Words() const
{
    TWords words;
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = FWords[i].load(std::memory_order_relaxed);
    return words;
}

void TChannelSet::Assign(const TWords& words)
{
    for (size_t i = 0; i < words.size(); ++i)
        FWords[i].store(words[i], std::memory_order_relaxed);
}
