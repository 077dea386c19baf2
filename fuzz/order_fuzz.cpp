// Fuzzes the order file's reader over arbitrary bytes: no overrun, the counts of a measuring
// call and a filling call agree, every name lies inside the text, and what reads is written
// back to a text that reads back to the same folders and names; a level put in the stored
// order of each folder holds each of its entries once.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "launcher/order_rules.h"

namespace {

std::vector<OrderFolder> Read(const char* text, size_t length, std::vector<OrderName>& names)
{
    size_t folderCount = 0, nameCount = 0;
    if (!ParseOrderText(text, length, nullptr, 0, nullptr, 0, &folderCount, &nameCount))
        return {{{nullptr, 0}, nullptr, SIZE_MAX}};  // unreadable
    std::vector<OrderFolder> folders(folderCount);
    names.resize(nameCount);
    size_t folderAgain = 0, nameAgain = 0;
    if (!ParseOrderText(text, length, folders.data(), folderCount, names.data(), nameCount, &folderAgain,
                        &nameAgain) ||
        folderAgain != folderCount || nameAgain != nameCount)
        abort();
    return folders;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    std::vector<OrderName> names;
    std::vector<OrderFolder> folders = Read(text, size, names);
    if (folders.size() == 1 && folders[0].count == SIZE_MAX)
        return 0;
    for (const OrderName& name : names) {
        if (name.bytes < text || name.bytes + name.length > text + size || name.length == 0)
            abort();
    }
    size_t length = WriteOrderText(folders.data(), folders.size(), nullptr, 0);
    std::vector<char> written(length + 1);
    if (WriteOrderText(folders.data(), folders.size(), written.data(), length) != length)
        abort();
    std::vector<OrderName> namesAgain;
    std::vector<OrderFolder> again = Read(written.data(), length, namesAgain);
    if (again.size() != folders.size())
        abort();
    for (size_t f = 0; f < folders.size(); ++f) {
        if (!SameOrderName(folders[f].path, again[f].path) || folders[f].count != again[f].count)
            abort();
        for (size_t n = 0; n < folders[f].count; ++n) {
            if (!SameOrderName(folders[f].names[n], again[f].names[n]))
                abort();
        }
        // The level listed as the folder's names in reverse: a permutation of it.
        size_t count = folders[f].count;
        std::vector<OrderName> shell(folders[f].names, folders[f].names + count);
        std::vector<size_t> order(count), scratch(count);
        std::vector<bool> seen(count);
        for (size_t n = 0; n < count / 2; ++n)
            std::swap(shell[n], shell[count - 1 - n]);
        ApplyOrder(shell.data(), count, folders[f].names, count, order.data(), scratch.data());
        for (size_t index : order) {
            if (index >= count || seen[index])
                abort();
            seen[index] = true;
        }
    }
    return 0;
}
