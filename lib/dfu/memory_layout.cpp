// SPDX-License-Identifier: GPL-3.0-or-later
#include "memory_layout.h"

#include "address_range.h"
#include "image_element.h"
#include "input_error.h"
#include "raw_binary.h"
#include "text.h"

namespace dfu {

namespace {

[[noreturn]] void refuse(const std::string &reason)
{
    throw InputError("memory layout: " + reason);
}

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

// The blanks that pad the name, start address and page runs of a layout.
constexpr char kPadding[] = " ";

// Reads decimal digits at `position`; at most nine, so the value fits before scaling.
std::uint64_t readDecimal(const std::string &text, std::size_t &position, const char *what)
{
    const std::size_t first = position;
    std::uint64_t value = 0;
    while (position < text.size() && text[position] >= '0' && text[position] <= '9')
        value = value * 10 + std::uint64_t(text[position++] - '0');
    if (position == first || position - first > 9)
        refuse(std::string("bad ") + what + " in \"" + text + "\"");
    return value;
}

std::uint64_t readMultiplier(const std::string &text, std::size_t &position)
{
    if (position < text.size()) {
        switch (text[position]) {
        case 'K':
            ++position;
            return 1024;
        case 'M':
            ++position;
            return 1024 * 1024;
        case 'B':
        case ' ':
            ++position;
            return 1;
        }
    }
    return 1;
}

void readType(const std::string &text, std::size_t &position, PageRun &run)
{
    if (position >= text.size() || text[position] < 'a' || text[position] > 'g')
        refuse("bad memory type in \"" + text + "\"");
    const int type = text[position++] - 'a' + 1;
    run.readable = type & 1;
    run.erasable = type & 2;
    run.writable = type & 4;
}

PageRun parseRun(const std::string &text, std::uint64_t start)
{
    std::size_t position = 0;
    PageRun run;
    const std::uint64_t count = readDecimal(text, position, "page count");
    if (position >= text.size() || text[position++] != '*')
        refuse("missing '*' in \"" + text + "\"");
    const std::uint64_t digits = readDecimal(text, position, "page size");
    const std::uint64_t size = digits * readMultiplier(text, position);
    readType(text, position, run);
    if (position != text.size())
        refuse("unexpected text after the memory type in \"" + text + "\"");
    if (count == 0 || size == 0)
        refuse("empty page run \"" + text + "\"");
    if (size > kAddressSpace || start + count * size > kAddressSpace)
        refuse("\"" + text + "\" runs beyond 4 GiB");
    run.start = std::uint32_t(start);
    run.pageSize = std::uint32_t(size);
    run.pageCount = std::uint32_t(count);
    return run;
}

void appendRegion(MemoryLayout &layout, const std::string &addressText, const std::string &runs)
{
    const auto address = parseAddress(trimmed(addressText, kPadding));
    if (!address)
        refuse("bad start address \"" + addressText + "\"");
    std::uint64_t next = *address;
    for (const std::string &runText : split(runs, ',')) {
        layout.runs.push_back(parseRun(trimmed(runText, kPadding), next));
        next = layout.runs.back().end();
    }
}

void checkNoOverlap(const MemoryLayout &layout)
{
    std::vector<AddressRange> regions;
    for (const PageRun &run : layout.runs)
        regions.push_back({run.start, run.end()});
    if (findFirstOverlap(regions))
        refuse("regions overlap");
}

} // namespace

MemoryLayout parseMemoryLayout(const std::string &text)
{
    if (text.empty() || text[0] != '@')
        refuse("does not start with '@'");
    const std::vector<std::string> parts = split(text.substr(1), '/');
    if (parts.size() < 3 || parts.size() % 2 == 0)
        refuse("expected a name followed by address and page-run pairs");
    MemoryLayout layout;
    layout.name = trimmed(parts[0], kPadding);
    for (std::size_t i = 1; i + 1 < parts.size(); i += 2)
        appendRegion(layout, parts[i], parts[i + 1]);
    checkNoOverlap(layout);
    return layout;
}

std::optional<Page> pageAt(const MemoryLayout &layout, std::uint32_t address)
{
    for (const PageRun &run : layout.runs) {
        if (address < run.start || address >= run.end())
            continue;
        const std::uint32_t index = (address - run.start) / run.pageSize;
        return Page{run.start + index * run.pageSize, run.pageSize, &run};
    }
    return std::nullopt;
}

} // namespace dfu
