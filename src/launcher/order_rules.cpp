// The order file's rules: reading, applying, moving and writing, with no allocation of
// their own (the caller sizes every array).
#include "launcher/order_rules.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Whether line[0, length) can be one line of the file: within its bound, well-formed UTF-8
// (RFC 3629: no overlong form, no surrogate, nothing beyond U+10FFFF), no NUL and no CR.
bool IsReadableLine(const char* line, size_t length)
{
    if (length > kOrderLineMax)
        return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(line);
    size_t at = 0;
    while (at < length) {
        unsigned char lead = bytes[at];
        if (lead < 0x80) {
            if (lead == 0 || lead == '\r' || lead == '\n')
                return false;
            ++at;
            continue;
        }
        size_t tail;
        unsigned char low = 0x80, high = 0xBF;  // the bounds of the second byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            tail = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            tail = 2;
            if (lead == 0xE0)
                low = 0xA0;  // overlong below U+0800
            if (lead == 0xED)
                high = 0x9F;  // the surrogates U+D800..U+DFFF
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            tail = 3;
            if (lead == 0xF0)
                low = 0x90;  // overlong below U+10000
            if (lead == 0xF4)
                high = 0x8F;  // beyond U+10FFFF
        } else {
            return false;
        }
        if (length - at <= tail || bytes[at + 1] < low || bytes[at + 1] > high)
            return false;
        for (size_t i = 2; i <= tail; ++i) {
            if (!IsContinuation(bytes[at + i]))
                return false;
        }
        at += tail + 1;
    }
    return true;
}

bool StartsWithBom(const char* text, size_t length)
{
    return length >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0;
}

bool NamesFolder(const char* line, size_t length)
{
    return length > 0 && line[length - 1] == '\\';
}

// Whether the line reads back as written, a folder's path (folder) or a name.
bool IsWritableLine(OrderName line, bool folder)
{
    return line.length > 0 && IsReadableLine(line.bytes, line.length) &&
           NamesFolder(line.bytes, line.length) == folder;
}

bool NameLess(OrderName a, OrderName b)
{
    int bytes = memcmp(a.bytes, b.bytes, std::min(a.length, b.length));
    return bytes != 0 ? bytes < 0 : a.length < b.length;
}

constexpr size_t kPlaced = ~(~size_t{0} >> 1);  // marks a sorted index already placed

size_t Append(char* out, size_t capacity, size_t at, const char* bytes, size_t length)
{
    if (at + length <= capacity)
        memcpy(out + at, bytes, length);
    return at + length;
}

size_t AppendLine(char* out, size_t capacity, size_t at, OrderName line)
{
    at = Append(out, capacity, at, line.bytes, line.length);
    return Append(out, capacity, at, "\r\n", 2);
}

}  // namespace

bool SameOrderName(OrderName a, OrderName b)
{
    return a.length == b.length && memcmp(a.bytes, b.bytes, a.length) == 0;
}

bool ParseOrderText(const char* text, size_t length, OrderFolder* folders, size_t folderCapacity,
                    OrderName* names, size_t nameCapacity, size_t* folderCount, size_t* nameCount)
{
    *folderCount = 0;
    *nameCount = 0;
    if (length > kOrderTextMax)
        return false;
    size_t folderTotal = 0, nameTotal = 0;
    size_t at = StartsWithBom(text, length) ? 3 : 0;
    while (at < length) {
        const char* line = text + at;
        const void* newline = memchr(line, '\n', length - at);
        size_t end = newline ? static_cast<size_t>(static_cast<const char*>(newline) - text) : length;
        size_t next = newline ? end + 1 : end;
        if (newline && end > at && text[end - 1] == '\r')
            --end;
        size_t lineLength = end - at;
        if (!IsReadableLine(line, lineLength))
            return false;
        if (NamesFolder(line, lineLength)) {
            if (folderTotal < folderCapacity) {
                OrderFolder& folder = folders[folderTotal];
                folder.path = {line, lineLength};
                folder.names = names ? names + std::min(nameTotal, nameCapacity) : nullptr;
                folder.count = 0;
            }
            ++folderTotal;
        } else if (lineLength > 0) {
            if (folderTotal == 0)
                return false;  // a name that belongs to no folder
            if (nameTotal < nameCapacity)
                names[nameTotal] = {line, lineLength};
            if (folderTotal <= folderCapacity && nameTotal < nameCapacity)
                ++folders[folderTotal - 1].count;
            ++nameTotal;
        }
        at = next;
    }
    *folderCount = folderTotal;
    *nameCount = nameTotal;
    return true;
}

void ApplyOrder(const OrderName* shell, size_t count, const OrderName* stored, size_t storedCount,
                size_t* order, size_t* scratch)
{
    // The shell's names sorted (equal names by their place): each stored name is then found
    // by a binary search, and a found one marked placed where it lies in scratch.
    for (size_t i = 0; i < count; ++i)
        scratch[i] = i;
    std::sort(scratch, scratch + count, [shell](size_t a, size_t b) {
        return NameLess(shell[a], shell[b]) || (!NameLess(shell[b], shell[a]) && a < b);
    });
    size_t placed = 0;
    for (size_t s = 0; s < storedCount && placed < count; ++s) {
        size_t* found = std::lower_bound(scratch, scratch + count, stored[s], [shell](size_t index, OrderName name) {
            return NameLess(shell[index & ~kPlaced], name);
        });
        // The first of equal names not placed yet; none left when the stored name repeats.
        while (found < scratch + count && (*found & kPlaced) && SameOrderName(shell[*found & ~kPlaced], stored[s]))
            ++found;
        if (found == scratch + count || (*found & kPlaced) || !SameOrderName(shell[*found], stored[s]))
            continue;
        order[placed++] = *found;
        *found |= kPlaced;
    }
    // The rest in the shell's order.
    size_t rest = placed;
    for (size_t i = 0; i < count; ++i) {
        if (!(scratch[i] & kPlaced))
            order[rest++] = scratch[i];
    }
    std::sort(order + placed, order + count);
}

bool MoveOrderEntry(void* items, size_t itemSize, size_t count, size_t from, size_t to)
{
    if (from >= count || to >= count)
        return false;
    // The entry and the ones it passes turn round by one entry's bytes.
    auto* bytes = static_cast<unsigned char*>(items);
    if (from < to)
        std::rotate(bytes + from * itemSize, bytes + (from + 1) * itemSize, bytes + (to + 1) * itemSize);
    else
        std::rotate(bytes + to * itemSize, bytes + from * itemSize, bytes + (from + 1) * itemSize);
    return true;
}

size_t WriteOrderText(const OrderFolder* folders, size_t count, char* out, size_t capacity)
{
    size_t at = 0;
    bool first = true;
    for (size_t f = 0; f < count; ++f) {
        const OrderFolder& folder = folders[f];
        // Without its path line a section's names would join the section before.
        if (!IsWritableLine(folder.path, true))
            continue;
        // A path beginning with U+FEFF at the text's start would read as the byte order mark.
        if (!first || StartsWithBom(folder.path.bytes, folder.path.length))
            at = Append(out, capacity, at, "\r\n", 2);
        first = false;
        at = AppendLine(out, capacity, at, folder.path);
        for (size_t n = 0; n < folder.count; ++n) {
            if (IsWritableLine(folder.names[n], false))
                at = AppendLine(out, capacity, at, folder.names[n]);
        }
    }
    return at;
}
