#include "cli/gtm2wtr.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "cli/options.h"
#include "platform/codepage.h"
#include "platform/path_text.h"
#include "res/string_table.h"
#include "waypoints/datums.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/wtr_waypoint_set.h"

namespace quendra {

namespace {

std::string_view Describe(FileError error) {
    switch (error) {
        case FileError::None:
            return "no error";
        case FileError::CannotOpen:
            return "cannot open the file";
        case FileError::Empty:
            return "the file is empty";
        case FileError::TooLarge:
            return "the file is too large to read";
        case FileError::CannotRead:
            return "reading the file failed";
        case FileError::WrongSignature:
            return "not a GTM file";
        case FileError::Truncated:
            return "the file is truncated: its data runs past its end";
        case FileError::Malformed:
            return "the file is damaged: it states a negative count or length";
        case FileError::OutOfMemory:
            return "not enough memory for the waypoints";
        case FileError::InflatedTooLarge:
            return "the compressed file inflates to more than 1 GiB";
        case FileError::CompressedTruncated:
            return "the compressed file is truncated: its data ends early";
        case FileError::CompressedCorrupt:
            return "the compressed file is damaged: its data or checksum is wrong";
    }
    return "unknown error";
}

// The datum messages on a terminal: a y/n question when someone is there to answer,
// otherwise the message and the answer the options give.
class TerminalMessages : public MessageBoxes {
public:
    TerminalMessages(CliStreams streams, HuTzuShanPolicy policy)
        : streams_(streams), policy_(policy) {}

    bool AskYesNo(int stringId) override {
        streams_.err << LoadString(stringId);
        if (policy_ == HuTzuShanPolicy::Ask && streams_.interactive) {
            streams_.err << " (y/n) " << std::flush;
            std::string answer;
            if (!std::getline(streams_.in, answer)) answer.clear();
            return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
        }
        streams_.err << '\n';
        return policy_ == HuTzuShanPolicy::Shift;
    }

    void ShowOk(int stringId) override { ShowOkText(std::string(LoadString(stringId))); }
    void ShowOkText(const std::string& text) override { streams_.err << text << '\n'; }

private:
    CliStreams streams_;
    HuTzuShanPolicy policy_;
};

// Conversion discards the display lines.
class DiscardLines : public LineSink {
public:
    void AddLine(std::string_view) override {}
    bool WantsLines() const override { return false; }
};

class Gtm2Wtr {
public:
    Gtm2Wtr(CliStreams streams, const Options& options) : streams_(streams), options_(options) {}

    bool Convert(const std::string& input, const std::string& output) {
        GtmWaypointSet gtm;
        DiscardLines discard;
        {
            FileBytes data;
            if (!Read(input, data)) return false;
            if (!gtm.LoadFromBytes(data, discard)) return Fail(input, Describe(gtm.error));
        }
        if (gtm.count == 0) return Fail(input, "the file holds no waypoints");

        TerminalMessages messages(streams_, options_.policy);
        if (!gtm.CheckDatum(messages, options_.datumMode)) {
            const std::string code = "datum code " + std::to_string(gtm.datumCode);
            if (options_.datumMode == DatumMode::Accurate) {
                return Fail(input, code +
                                       " refused: not a datum gtm2wtr knows "
                                       "(gtm2wtr --list-datums lists them)");
            }
            if (gtm.datumCode == kDatumHuTzuShan) {
                bool asked = options_.policy == HuTzuShanPolicy::Ask && streams_.interactive;
                return Fail(input, asked ? "Hu-Tzu-Shan datum not converted"
                                         : "Hu-Tzu-Shan datum refused "
                                           "(--hu-tzu-shan=shift converts it)");
            }
            return Fail(
                input,
                code + " refused: only WGS84 (217) and Hu-Tzu-Shan (81) convert" +
                    (FindDatum(gtm.datumCode) ? " (--datum-transform=accurate converts it)" : ""));
        }

        WtrWaypointSet wtr;
        if (!wtr.BuildFrom(gtm.count, gtm.records.get())) {
            if (wtr.badWaypoint < 0) return Fail(input, "not enough memory for the waypoints");
            const GtmWaypoint& bad = gtm.records[wtr.badWaypoint];
            return Fail(input, "waypoint " + std::to_string(wtr.badWaypoint + 1) + " (" +
                                   Decode(std::string_view(bad.name)) +
                                   ") has a position outside the WTR range: latitude " +
                                   std::to_string(bad.latitude) + ", longitude " +
                                   std::to_string(bad.longitude));
        }
        // The input is named so that the output can never replace it.
        if (!wtr.Save(PathFromText(output), PathFromText(input))) {
            return Fail(output, "cannot write the WTR file: " + wtr.saveError.message());
        }
        streams_.err << "gtm2wtr: wrote " << wtr.count
                     << (wtr.count == 1 ? " waypoint" : " waypoints") << " to " << output << '\n';
        return true;
    }

    bool List(const std::string& file) {
        FileBytes data;
        if (!Read(file, data)) return false;
        // Either reader refuses a file of the other kind by its first bytes, before it
        // lists anything.
        StreamLines lines(*this);
        WtrWaypointSet wtr;
        if (!wtr.LoadFromBytes(data, lines)) {
            if (wtr.error != FileError::WrongSignature) {
                return Fail(file, wtr.error == FileError::Truncated
                                      ? "the WTR file is truncated or has no track section"
                                      : Describe(wtr.error));
            }
            GtmWaypointSet gtm;
            if (!gtm.LoadFromBytes(data, lines)) {
                return Fail(file, gtm.error == FileError::WrongSignature
                                      ? "neither a GTM nor a WTR file"
                                      : Describe(gtm.error));
            }
        }
        streams_.out.flush();
        return true;
    }

    bool OpenDecoder() { return decoder_.Open(options_.codePage); }

private:
    class StreamLines : public LineSink {
    public:
        explicit StreamLines(Gtm2Wtr& owner) : owner_(owner) {}
        void AddLine(std::string_view line) override {
            owner_.streams_.out << owner_.Decode(line) << '\n';
        }

    private:
        Gtm2Wtr& owner_;
    };

    std::string Decode(std::string_view bytes) { return decoder_.Decode(bytes); }

    // The whole file, inflated when it is compressed (only GTM files come so; what a
    // compressed file holds is checked as one). A failure is reported with its cause.
    bool Read(const std::string& file, FileBytes& data) {
        FileError error = FileError::None;
        std::error_code cause;
        if (ReadGtmFile(PathFromText(file), data, error, &cause)) return true;
        std::string reason(Describe(error));
        if (cause) reason += ": " + cause.message();
        return Fail(file, reason);
    }

    bool Fail(const std::string& file, std::string_view reason) {
        streams_.err << "gtm2wtr: " << file << ": " << reason << '\n';
        return false;
    }

    CliStreams streams_;
    const Options& options_;
    CodePageDecoder decoder_;
};

// NAME.wtr for NAME.gtm, NAME.gtz, NAME.gtm.gz or NAME.gz (the .gtm.gz in any case); any
// other last extension is dropped as well.
std::filesystem::path WtrNameFor(const std::filesystem::path& input) {
    auto lower = [](const std::filesystem::path& part) {
        std::u8string text = part.u8string();
        std::transform(text.begin(), text.end(), text.begin(), [](char8_t c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char8_t>(c + 32) : c;
        });
        return text;
    };
    std::filesystem::path name = input.filename();
    std::filesystem::path stem = name.stem();
    if (lower(name.extension()) == u8".gz" && lower(stem.extension()) == u8".gtm") name = stem;
    return name.replace_extension(".wtr");
}

void ListDatums(std::ostream& out) {
    out << std::setprecision(12);
    for (const Datum& datum : KnownDatums()) {
        out << datum.code << '\t' << datum.name << '\t' << datum.ellipsoid.name
            << " (a=" << datum.ellipsoid.semiMajorAxis
            << ", 1/f=" << datum.ellipsoid.inverseFlattening << ")\tdx=" << datum.dx
            << " dy=" << datum.dy << " dz=" << datum.dz << '\t' << datum.source << '\n';
    }
}

}  // namespace

int RunGtm2Wtr(const std::vector<std::string>& args, CliStreams streams) {
    Options options;
    if (std::optional<int> exit = ParseOptions(args, options, streams)) return *exit;

    if (options.listDatums) {
        ListDatums(streams.out);
        return kExitSuccess;
    }

    Gtm2Wtr tool(streams, options);
    if (!tool.OpenDecoder())
        return UsageError(streams, "unknown code page '" + options.codePage + "'");

    if (options.list) return tool.List(options.files[0]) ? kExitSuccess : kExitFailure;
    if (!options.outputFolder) {
        return tool.Convert(options.files[0], options.files[1]) ? kExitSuccess : kExitFailure;
    }

    std::filesystem::path folder = PathFromText(*options.outputFolder);
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        streams.err << "gtm2wtr: " << *options.outputFolder << ": not a folder\n";
        return kExitFailure;
    }
    bool allConverted = true;
    std::set<std::filesystem::path> written;
    for (const std::string& input : options.files) {
        std::filesystem::path output = folder / WtrNameFor(PathFromText(input));
        // Two inputs of the same name would silently replace each other's result; a name
        // is taken only by a file written there.
        if (written.contains(output)) {
            streams.err << "gtm2wtr: " << input
                        << ": skipped: an earlier input was already written as "
                        << TextFromPath(output) << '\n';
            allConverted = false;
            continue;
        }
        if (tool.Convert(input, TextFromPath(output))) {
            written.insert(output);
        } else {
            allConverted = false;
        }
    }
    return allConverted ? kExitSuccess : kExitFailure;
}

}  // namespace quendra
