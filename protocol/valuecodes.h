// The reader's value codes: each kind an enum whose values are the codes on the wire, with its
// entries in the order the pages list them and the label each list shows. Encode and Decode turn
// a value into its code and back; Label and FromLabel do the same with the list texts; AtIndex
// and IndexOf with the position in the list (or the row of radio buttons).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

enum class WorkMode : std::uint8_t { MasterSlave = 1, Timer = 2, Trigger = 3 };
// The output the reader reports identified tags on.
enum class CommMode : std::uint8_t { Rs485 = 1, Wiegand = 2, Rs232 = 3 };
enum class Trigger : std::uint8_t { Off = 0, HighLevel = 1 };
enum class Baud : std::uint8_t { B9600 = 0, B19200 = 1, B38400 = 2, B57600 = 3, B115200 = 4 };
// Memory sections of the tag read and write, and the lock kinds.
enum class TagSection : std::uint8_t { Reserved = 0, Epc = 1, Tid = 2, User = 3 };
enum class LockKind : std::uint8_t { User = 0, Tid = 1, Epc = 2, Access = 3, Kill = 4, All = 5 };

template <typename E> struct ValueCode {
    E value;
    std::string_view label;
};

// The entries of a kind, in list order.
template <typename E> std::span<const ValueCode<E>> Codes();
template <> std::span<const ValueCode<WorkMode>> Codes();
template <> std::span<const ValueCode<CommMode>> Codes();
template <> std::span<const ValueCode<Trigger>> Codes();
template <> std::span<const ValueCode<Baud>> Codes();
template <> std::span<const ValueCode<TagSection>> Codes();
template <> std::span<const ValueCode<LockKind>> Codes();

template <typename E> constexpr std::uint8_t Encode(E value) {
    return static_cast<std::uint8_t>(value);
}

template <typename E> std::optional<E> Decode(std::uint8_t code) {
    for (const ValueCode<E>& entry : Codes<E>())
        if (Encode(entry.value) == code)
            return entry.value;
    return std::nullopt;
}

template <typename E> std::string_view Label(E value) {
    for (const ValueCode<E>& entry : Codes<E>())
        if (entry.value == value)
            return entry.label;
    return {};
}

template <typename E> std::optional<E> FromLabel(std::string_view label) {
    for (const ValueCode<E>& entry : Codes<E>())
        if (entry.label == label)
            return entry.value;
    return std::nullopt;
}

template <typename E> std::optional<E> AtIndex(int index) {
    const auto codes = Codes<E>();
    if (index < 0 || static_cast<std::size_t>(index) >= codes.size())
        return std::nullopt;
    return codes[static_cast<std::size_t>(index)].value;
}

template <typename E> int IndexOf(E value) {
    const auto codes = Codes<E>();
    for (std::size_t i = 0; i < codes.size(); ++i)
        if (codes[i].value == value)
            return static_cast<int>(i);
    return -1;
}

// Bits per second of a baud code.
int BaudRate(Baud baud);
