#include "cli/gtm2wtr.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
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
#include "waypoints/display_line.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/wtr_waypoint_set.h"

namespace quendra {

namespace {

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
                     << (wtr.count == 1 ? " waypoint" : " waypoints") << " to " << output;
        if (verdict.kind == DatumVerdict::Kind::Convert) {
            streams_.err << " (converted from " << verdict.conversion.datum->name << " to WGS84)";
        }
        streams_.err << '\n';
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
        if (verdict.refusal == DatumVerdict::Refusal::NoShift) {
            return "datum " + std::to_string(datumCode) + " (" + FindDatum(datumCode)->name +
                   "): no published shift to WGS84";
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

// The shortest text that reads back as the same number.
std::string Number(double value) {
    char text[32];
    return std::string(text, std::to_chars(text, std::end(text), value).ptr);
}

// Code, name, ellipsoid, shift and where the shift comes from, one code a line.
void ListDatums(std::ostream& out) {
    for (const Datum& datum : KnownDatums()) {
        const Ellipsoid& e = datum.ellipsoid;
        out << datum.code << '\t' << datum.name << '\t';
        if (*e.name == '\0') {
            out << '-';
        } else {
            out << e.name << " (a=" << Number(e.semiMajorAxis)
                << ", 1/f=" << Number(e.inverseFlattening) << ')';
        }
        if (!datum.HasShift()) {
            out << "\t-\tnot converted\n";
            continue;
        }
        out << "\tdx=" << Number(datum.dx) << " dy=" << Number(datum.dy)
            << " dz=" << Number(datum.dz) << '\t';
        switch (datum.basis) {
            case DatumBasis::Wgs84:
            case DatumBasis::Nima1997:
                out << "NIMA TR8350.2 (1997)" << (*datum.ngaId ? ": " : "") << datum.ngaId;
                break;
            case DatumBasis::Epsg:
                out << "EPSG:" << datum.epsg;
                break;
            case DatumBasis::Assumed:
                out << "assumed equal to code " << datum.assumedFrom;
                break;
            case DatumBasis::None:
                break;
        }
        out << '\n';
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
