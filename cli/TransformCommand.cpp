#include "cli/TransformCommand.h"

#include <CLI/CLI.hpp>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "cli/ArgumentPath.h"
#include "cli/Cli.h"
#include "core/PageTransformer.h"
#include "core/TextSearch.h"
#include "crypto/PasswordSealer.h"
#include "files/PageCodec.h"
#include "run/PagePipeline.h"

namespace quorlane::cli {

namespace {

bool readAll(std::istream& in, std::string& bytes)
{
    std::ostringstream buffer;
    buffer << in.rdbuf();
    bytes = std::move(buffer).str();
    return !in.bad();
}

// Reads a file in one piece, into a string of its size.
bool readFile(std::ifstream& in, std::string& bytes)
{
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) {
        return readAll(in, bytes);
    }
    in.seekg(0, std::ios::beg);
    bytes.resize(static_cast<std::size_t>(size));
    in.read(bytes.data(), size);
    return in.gcount() == size;
}

} // namespace

void TransformCommand::addTo(CLI::App& app)
{
    CLI::App* command = app.add_subcommand(
        "transform", "Protect one page: read FILE (or standard input) and write the protected "
                     "page to standard output. Frame pages are not followed.");
    options.addTo(*command);
    command->add_option("FILE", file, "The page to protect; - or nothing for standard input")
        ->type_name("");
    command->footer("Exit status: 0 protected, 1 the page could not be encrypted, 2 usage or "
                    "read error, 3 the page already carries the protected-page marker (it is "
                    "copied unchanged).");
}

int TransformCommand::run(std::istream& in, std::ostream& out, std::ostream& err) const
{
    core::ProtectionSettings settings = StartSettings();
    if (const auto refusal = options.apply(settings)) {
        err << "quorlane-cli: " << *refusal << "\n";
        return exitUsage;
    }
    std::string bytes;
    if (file.empty() || file == "-") {
        if (!readAll(in, bytes)) {
            err << "quorlane-cli: cannot read standard input\n";
            return exitUsage;
        }
    } else {
        std::error_code ec;
        if (std::filesystem::is_directory(ArgumentPath(file), ec)) {
            err << "quorlane-cli: cannot read " << file << ": it is a folder\n";
            return exitUsage;
        }
        std::ifstream page(std::filesystem::path(ArgumentPath(file)), std::ios::binary);
        if (!page || !readFile(page, bytes)) {
            err << "quorlane-cli: cannot read " << file << ": " << std::strerror(errno) << "\n";
            return exitUsage;
        }
    }
    files::DecodedPage page = files::DecodePage(bytes);
    if (page.encodingUnavailable) {
        err << "quorlane-cli: cannot read the page: it declares the encoding "
            << page.declaredCharset << ", which this system cannot read\n";
        return exitPageFailed;
    }
    if (core::FindExact(page.text, core::protectedPageMarker) != core::npos) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        return exitAlreadyProtected;
    }
    bytes = std::string(); // the text is all that is needed from here on
    const crypto::SealerResult sealing = crypto::SealerFor(settings);
    if (sealing.failure) {
        err << "quorlane-cli: cannot encrypt the page: " << *sealing.failure << "\n";
        return exitPageFailed;
    }
    // The protected page is written while it is made; a frameset stays as it is.
    files::PageWriter writer(out, page.encoding);
    const bool keptAsItIs = core::FramesRecognised(page.text);
    if (const auto failure = run::WriteProtectedPage(page.text, keptAsItIs, settings, page,
                                                     sealing.sealer.get(), writer)) {
        writer.finish();
        err << "quorlane-cli: cannot encrypt the page: " << *failure
            << "; the page written is incomplete\n";
        return exitPageFailed;
    }
    if (!writer.finish()) {
        err << "quorlane-cli: cannot write the protected page to standard output\n";
        return exitUsage;
    }
    if (sealing.sealer) {
        options.passwordSource.unlockForm.tellShareLink(err, sealing.sealer->shareKey());
    }
    return exitOk;
}

} // namespace quorlane::cli
