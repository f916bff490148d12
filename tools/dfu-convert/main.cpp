// SPDX-License-Identifier: GPL-3.0-or-later
// dfu-convert: packs a raw binary or an Intel HEX file into a DfuSe file.
#include "application_check.h"
#include "command_line.h"
#include "convert_options.h"
#include "dfuse_file.h"
#include "file_io.h"
#include "input_error.h"
#include "intel_hex.h"
#include "raw_binary.h"

#include <iostream>

namespace {

enum class ExitCode : int
{
    Ok = 0,
    Failed = 1, // the input could not be read or the output not written
    Usage = 2,  // the command line is wrong
};

std::vector<dfu::ImageElement> readElements(const dfu::ConvertOptions &options)
{
    try {
        std::vector<std::uint8_t> content = dfu::readWholeFile(options.input);
        if (options.mode == dfu::ConvertOptions::Mode::RawBinary) {
            // Not a braced list: that would copy the data out of its initializer.
            std::vector<dfu::ImageElement> elements;
            elements.push_back(dfu::placeRawBinary(options.address, std::move(content)));
            return elements;
        }
        if (content.empty())
            throw dfu::InputError("the file is empty");
        return dfu::parseIntelHex(
            std::string_view(reinterpret_cast<const char *>(content.data()), content.size()));
    } catch (const dfu::InputError &error) {
        throw dfu::InputError(options.input + ": " + error.what());
    }
}

// Packing is not flashing: the file is written all the same, and the flasher
// refuses it later unless told otherwise.
void warnUnlessApplication(const std::vector<dfu::ImageElement> &elements)
{
    const dfu::ApplicationCheck check = dfu::checkApplicationImage(elements);
    if (!check.passed())
        std::cerr << "dfu-convert: warning: not an application for this module: " << check.problem
                  << "\n";
}

ExitCode convert(const dfu::ConvertOptions &options)
{
    try {
        dfu::DfuseFile file;
        file.targets.push_back({});
        file.targets.front().elements = readElements(options);
        warnUnlessApplication(file.targets.front().elements);
        const dfu::DfuseImage image(file);
        try {
            dfu::writeFileAtomically(options.output, image.spans());
        } catch (const dfu::InputError &error) {
            throw dfu::InputError(options.output + ": " + error.what());
        }
        std::cout << "Wrote " << options.output << ": " << file.targets.front().elements.size()
                  << " element(s), " << image.size() << " bytes\n";
        return ExitCode::Ok;
    } catch (const std::exception &error) {
        std::cerr << "dfu-convert: " << error.what() << "\n";
        return ExitCode::Failed;
    }
}

} // namespace

int main(int argc, char **argv)
{
    const auto parsed = dfu::parseConvertOptions(dfu::utf8Arguments(argc, argv));
    if (!parsed.error.empty()) {
        std::cerr << "dfu-convert: " << parsed.error << "\n" << dfu::convertUsage();
        return static_cast<int>(ExitCode::Usage);
    }
    switch (parsed.options.mode) {
    case dfu::ConvertOptions::Mode::Help:
        std::cout << dfu::convertUsage();
        return static_cast<int>(ExitCode::Ok);
    case dfu::ConvertOptions::Mode::Version:
        std::cout << "dfu-convert " << ORVIK_VERSION << "\n";
        return static_cast<int>(ExitCode::Ok);
    default:
        return static_cast<int>(convert(parsed.options));
    }
}
