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

#include "platform/codepage.h"
#include "platform/path_text.h"
#include "res/string_table.h"
#include "waypoints/datums.h"
#include "waypoints/display_line.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/wtr_waypoint_set.h"

#ifndef QUENDRA_VERSION
#define QUENDRA_VERSION "unknown"
#endif

namespace quendra {

namespace {

// Windows shows names in the system's own code page, as its other programs do.
#ifdef _WIN32
#define QUENDRA_DEFAULT_CODEPAGE_TEXT "the system's ANSI code page"
#else
#define QUENDRA_DEFAULT_CODEPAGE_TEXT "CP950, Big5"
#endif

constexpr std::string_view kUsage =
    "Usage:\n"
    "  gtm2wtr [--hu-tzu-shan=shift|refuse] [--datum-transform=simple|accurate]\n"
    "          [--codepage NAME] INPUT.gtm OUTPUT.wtr\n"
    "  gtm2wtr [same options] -d OUTDIR INPUT.gtm...\n"
    "  gtm2wtr --list [--codepage NAME] FILE\n"
    "  gtm2wtr --list-datums\n"
    "  gtm2wtr --help | --version\n"
    "\n"
    "Converts the waypoints of GPS TrackMaker (.gtm) files into Garmin WTR (.wtr) files.\n"
    "An INPUT may be gzip-compressed (.gtz, .gtm.gz).\n"
    "\n"
    "  -d, --output-dir OUTDIR\n"
    "                        write each INPUT as OUTDIR/NAME.wtr, going on past failures\n"
    "                        (NAME without .gtm, .gtz, .gtm.gz or .gz)\n"
    "  --list                print the waypoints (name and altitude) of a GTM or WTR file\n"
    "  --hu-tzu-shan=shift   convert Hu-Tzu-Shan files with the fixed WGS84 offset\n"
    "  --hu-tzu-shan=refuse  refuse them (the default when no one can be asked)\n"
    "  --datum-transform=simple\n"
    "                        WGS84 as it is, Hu-Tzu-Shan as above, other datums refused\n"
    "                        (the default)\n"
    "  --datum-transform=accurate\n"
    "                        convert every known datum to WGS84 with its ellipsoid and\n"
    "                        shift, without a question; refuse unknown datums\n"
    "  --list-datums         print the known datums: code, name, ellipsoid, shift, source\n"
    "  --codepage NAME       code page of waypoint names (default " QUENDRA_DEFAULT_CODEPAGE_TEXT
    ")\n"
    "  -h, --help            print this help\n"
    "  --version             print the version\n"
    "\n"
    "Exit status: 0 success, 1 conversion or listing failed, 2 usage error.\n";

enum class HuTzuShanPolicy { Ask, Shift, Refuse };

struct Options {
    bool list = false;
    std::optional<std::string> outputFolder;
    HuTzuShanPolicy policy = HuTzuShanPolicy::Ask;
    DatumMode datumMode = DatumMode::Simple;
    bool listDatums = false;
    std::string codePage = kDefaultCodePage;
    std::vector<std::string> files;
};

// The Hu-Tzu-Shan question: asked when someone is there to answer, otherwise printed with
// the answer the options give.
bool AgreesToShift(CliStreams streams, HuTzuShanPolicy policy) {
    streams.err << LoadString(IDS_DATUM_HUTZUSHAN);
    if (policy == HuTzuShanPolicy::Ask && streams.interactive) {
        streams.err << " (y/n) " << std::flush;
        std::string answer;
        if (!std::getline(streams.in, answer)) answer.clear();
        return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
    }
    streams.err << '\n';
    return policy == HuTzuShanPolicy::Shift;
}

// A failure in our words, then the system's reason where there is one.
std::string Reason(Failure failure, const std::error_code& cause = {}) {
    std::string reason = make_error_code(failure).message();
    if (cause) reason += ": " + cause.message();
    return reason;
}

class Gtm2Wtr {
public:
    Gtm2Wtr(CliStreams streams, const Options& options) : streams_(streams), options_(options) {}

    bool Convert(const std::string& input, const std::string& output) {
        GtmWaypointSet gtm;
        {
            FileBytes data;
            if (!Read(input, data)) return false;
            if (!gtm.LoadFromBytes(data)) return Fail(input, Reason(gtm.error));
        }
        if (gtm.count == 0) return Fail(input, Reason(Failure::NoWaypoints));

        const DatumVerdict verdict = gtm.CheckDatum(options_.datumMode);
        if (verdict.kind == DatumVerdict::Kind::Refuse) {
            streams_.err << LoadString(IDS_DATUM_UNSUPPORTED) << '\n';
            return Fail(input, Refusal(gtm.datumCode, verdict));
        }
        if (verdict.kind == DatumVerdict::Kind::AskThenShift &&
            !AgreesToShift(streams_, options_.policy)) {
            bool asked = options_.policy == HuTzuShanPolicy::Ask && streams_.interactive;
            return Fail(input, asked ? "Hu-Tzu-Shan datum not converted "
                                       "(--datum-transform=accurate converts it)"
                                     : "Hu-Tzu-Shan datum refused (--hu-tzu-shan=shift shifts it, "
                                       "--datum-transform=accurate converts it)");
        }

        WtrWaypointSet wtr;
        if (!wtr.BuildFrom(gtm.count, gtm.records.get(), verdict.conversion)) {
            if (wtr.badWaypoint < 0) return Fail(input, Reason(Failure::OutOfMemory));
            const GtmWaypoint& bad = gtm.records[wtr.badWaypoint];
            return Fail(input, "waypoint " + std::to_string(wtr.badWaypoint + 1) + " (" +
                                   Decode(std::string_view(bad.name)) + ") has " +
                                   Reason(Failure::BadPosition) + ": latitude " +
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
        // Either reader refuses a file of the other kind by its first bytes.
        WtrWaypointSet wtr;
        if (wtr.LoadFromBytes(data)) return Print(wtr);
        if (wtr.error != Failure::WrongSignature) {
            return Fail(file, wtr.error == Failure::Truncated
                                  ? "the WTR file is truncated or has no track section"
                                  : Reason(wtr.error));
        }
        GtmWaypointSet gtm;
        if (gtm.LoadFromBytes(data)) return Print(gtm);
        return Fail(file, gtm.error == Failure::WrongSignature ? "neither a GTM nor a WTR file"
                                                               : Reason(gtm.error));
    }

    bool OpenDecoder() { return decoder_.Open(options_.codePage); }

private:
    template <class Set>
    bool Print(const Set& set) {
        for (std::int32_t i = 0; i < set.count; ++i) {
            streams_.out << Decode(DisplayLine(set.records[i])) << '\n';
        }
        streams_.out.flush();
        return true;
    }

    std::string Decode(std::string_view bytes) { return decoder_.Decode(bytes); }

    // Why the datum check refused, and what would convert the file instead.
    static std::string Refusal(std::uint16_t datumCode, const DatumVerdict& verdict) {
        const std::string code = "datum code " + std::to_string(datumCode);
        if (verdict.refusal == DatumVerdict::Refusal::Unknown) {
            return code + " refused: not a datum gtm2wtr knows (gtm2wtr --list-datums lists them)";
        }
        return code + " refused: only WGS84 (217) and Hu-Tzu-Shan (81) convert" +
               (verdict.accurateConverts ? " (--datum-transform=accurate converts it)" : "");
    }

    // The whole file, inflated when it is compressed (only GTM files come so; what a
    // compressed file holds is checked as one). A failure is reported with its cause.
    bool Read(const std::string& file, FileBytes& data) {
        Failure error = Failure::None;
        std::error_code cause;
        if (ReadGtmFile(PathFromText(file), data, error, &cause)) return true;
        return Fail(file, Reason(error, cause));
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

int UsageError(CliStreams streams, std::string_view problem) {
    streams.err << "gtm2wtr: " << problem << "\n" << kUsage;
    return kExitUsage;
}

// Fills `options`; on a usage error returns the message.
std::optional<std::string> ParseArguments(const std::vector<std::string>& args, Options& options,
                                          bool& help, bool& version) {
    bool policyGiven = false;
    bool modeGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string_view name, std::string& into) -> bool {
            if (arg == name) {
                if (i + 1 >= args.size()) return false;
                into = args[++i];
                return true;
            }
            into = arg.substr(name.size() + 1);
            return true;
        };
        auto is = [&](std::string_view name) {
            return arg == name || arg.starts_with(std::string(name) + "=");
        };
        if (arg == "--") {
            options.files.insert(options.files.end(), args.begin() + static_cast<long>(i) + 1,
                                 args.end());
            break;
        } else if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--version") {
            version = true;
        } else if (arg == "--list") {
            options.list = true;
        } else if (is("--hu-tzu-shan")) {
            std::string choice;
            if (!value("--hu-tzu-shan", choice)) return "--hu-tzu-shan needs shift or refuse";
            if (choice == "shift") {
                options.policy = HuTzuShanPolicy::Shift;
            } else if (choice == "refuse") {
                options.policy = HuTzuShanPolicy::Refuse;
            } else {
                return "--hu-tzu-shan takes shift or refuse, not '" + choice + "'";
            }
            policyGiven = true;
        } else if (is("--datum-transform")) {
            std::string choice;
            if (!value("--datum-transform", choice)) {
                return "--datum-transform needs simple or accurate";
            }
            if (choice == DatumModeName(DatumMode::Simple)) {
                options.datumMode = DatumMode::Simple;
            } else if (choice == DatumModeName(DatumMode::Accurate)) {
                options.datumMode = DatumMode::Accurate;
            } else {
                return "--datum-transform takes simple or accurate, not '" + choice + "'";
            }
            modeGiven = true;
        } else if (arg == "--list-datums") {
            options.listDatums = true;
        } else if (is("--codepage")) {
            if (!value("--codepage", options.codePage)) return "--codepage needs a name";
        } else if (arg == "-d" || is("--output-dir")) {
            std::string folder;
            if (arg == "-d") {
                if (i + 1 >= args.size()) return "-d needs a folder";
                folder = args[++i];
            } else if (!value("--output-dir", folder)) {
                return "--output-dir needs a folder";
            }
            options.outputFolder = folder;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return "unknown option '" + arg + "'";
        } else {
            options.files.push_back(arg);
        }
    }
    if (options.listDatums && args.size() != 1) return "--list-datums takes no other argument";
    if (help || version || options.listDatums) return std::nullopt;
    if (policyGiven && options.datumMode == DatumMode::Accurate) {
        return "--hu-tzu-shan applies only to --datum-transform=simple";
    }
    if (options.list) {
        if (options.outputFolder || policyGiven || modeGiven) {
            return "--list takes no -d, --hu-tzu-shan or --datum-transform";
        }
        if (options.files.size() != 1) return "--list takes exactly one FILE";
    } else if (options.outputFolder) {
        if (options.files.empty()) return "-d needs at least one INPUT.gtm";
    } else if (options.files.size() != 2) {
        return "expected INPUT.gtm and OUTPUT.wtr";
    }
    return std::nullopt;
}

}  // namespace

int RunGtm2Wtr(const std::vector<std::string>& args, CliStreams streams) {
    Options options;
    bool help = false;
    bool version = false;
    if (auto problem = ParseArguments(args, options, help, version)) {
        return UsageError(streams, *problem);
    }
    if (help) {
        streams.out << kUsage;
        return kExitSuccess;
    }
    if (version) {
        streams.out << "gtm2wtr (Quendra) " << QUENDRA_VERSION << '\n';
        return kExitSuccess;
    }

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
