// A set of MIDI channel numbers 0..255 (only 0..15 are used): the keyboard's channels and a
// song's melody channels. A value type (copy, compare, iterate ascending) whose words are each
// read and written atomically, so the window thread may add or remove one channel while the
// playback thread reads the set; a reader sees each single edit either before or after it.
// Copying or assigning a whole set is for the window thread (or while no one else edits it).
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>

class TChannelSet {
public:
    static constexpr int Size = 256;
    using TWords = std::array<uint64_t, Size / 64>;

    // Visits the members in ascending order, from a snapshot taken when iteration begins.
    class TIterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = int;
        using difference_type = std::ptrdiff_t;
        using pointer = const int*;
        using reference = int;

        TIterator() = default;
        TIterator(const TWords& words, int from) : FWords(words), FChannel(NextMember(words, from)) {}
        int operator*() const { return FChannel; }
        TIterator& operator++()
        {
            FChannel = NextMember(FWords, FChannel + 1);
            return *this;
        }
        TIterator operator++(int)
        {
            TIterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const TIterator& other) const { return FChannel == other.FChannel; }

    private:
        static int NextMember(const TWords& words, int from);
        TWords FWords{};
        int FChannel = Size;
    };

    TChannelSet() = default;
    // Values outside 0..255 are left out.
    TChannelSet(std::initializer_list<int> channels);
    TChannelSet(const TChannelSet& other) { Assign(other.Words()); }
    TChannelSet& operator=(const TChannelSet& other)
    {
        Assign(other.Words());
        return *this;
    }

    bool operator==(const TChannelSet& other) const { return Words() == other.Words(); }

    // Values outside 0..255 are never members; adding or removing them does nothing.
    bool Contains(int channel) const;
    void Add(int channel);
    void Remove(int channel);
    void Clear();
    bool Empty() const;
    int Count() const;

    TIterator begin() const { return TIterator(Words(), 0); }
    TIterator end() const { return TIterator(); }

private:
    TWords Words() const;
    void Assign(const TWords& words);

    std::array<std::atomic<uint64_t>, Size / 64> FWords{};
};
