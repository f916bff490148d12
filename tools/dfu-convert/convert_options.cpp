// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert_options.h"

#include "dfu_protocol.h"
#include "raw_binary.h"
#include "text.h"

namespace dfu {

std::string convertUsage()
{
    return "Usage: dfu-convert -b ADDRESS:IN.bin OUT.dfu\n"
           "       dfu-convert -i IN.hex OUT.dfu\n"
           "       dfu-convert --help | --version\n"
           "\n"
           "Writes a DfuSe file for the STM32 DFU bootloader (vendor " +
           hex16(kBootloaderVendorId) + ", product " + hex16(kBootloaderProductId) +
           ").\n"
           "  -b ADDRESS:FILE  raw binary loaded at ADDRESS (hex with 0x, otherwise decimal)\n"
           "  -i FILE          Intel HEX file; every contiguous run of data becomes one element\n"
           "Exit code 0 only when OUT was completely written.\n";
}

namespace {

ParsedConvertOptions failure(const std::string &message)
{
    return {{}, message};
}

ParsedConvertOptions parseBinary(const std::string &placement, const std::string &output)
{
    const std::size_t colon = placement.find(':');
    if (colon == std::string::npos)
        return failure("-b expects ADDRESS:FILE, got \"" + placement + "\"");
    const auto address = parseAddress(placement.substr(0, colon));
    if (!address)
        return failure("bad load address \"" + placement.substr(0, colon) + "\"");
    ConvertOptions options;
    options.mode = ConvertOptions::Mode::RawBinary;
    options.address = *address;
    options.input = placement.substr(colon + 1);
    options.output = output;
    if (options.input.empty())
        return failure("-b names no input file");
    return {options, {}};
}

} // namespace

ParsedConvertOptions parseConvertOptions(const std::vector<std::string> &arguments)
{
    ConvertOptions options;
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h"))
        return {options, {}};
    if (arguments.size() == 1 && (arguments[0] == "--version" || arguments[0] == "-V")) {
        options.mode = ConvertOptions::Mode::Version;
        return {options, {}};
    }
    if (arguments.size() != 3)
        return failure("expected -b ADDRESS:IN OUT or -i IN OUT");
    if (arguments[2].empty())
        return failure("no output file given");
    if (arguments[0] == "-b")
        return parseBinary(arguments[1], arguments[2]);
    if (arguments[0] == "-i" && !arguments[1].empty()) {
        options.mode = ConvertOptions::Mode::IntelHex;
        options.input = arguments[1];
        options.output = arguments[2];
        return {options, {}};
    }
    return failure("expected -b ADDRESS:IN OUT or -i IN OUT");
}

} // namespace dfu
