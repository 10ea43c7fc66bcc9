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
#include "platform/file_io.h"
#include "platform/path_text.h"
#include "res/string_table.h"
#include "waypoints/datums.h"
#include "waypoints/display_line.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/waypoint_file.h"
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
        WaypointFile file;
        if (!Load(input, file)) return false;
        const GtmWaypointSet& gtm = file.set;
        const bool gpx = file.format == WaypointFormat::Gpx;
        if (gpx) WarnAboutNames(input, file.gpx);

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
            return Fail(input,
                        BadPosition(wtr.badWaypoint, Decode(std::string_view(bad.name)),
                                    std::to_string(bad.latitude), std::to_string(bad.longitude)));
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
        if (gpx) {
            streams_.err << " (left out: " << Counted(file.gpx.routePoints, "route point") << ", "
                         << Counted(file.gpx.trackPoints, "track point") << ')';
        }
        streams_.err << '\n';
        return true;
    }

    bool List(const std::string& path) {
        // A WTR file, known by its first bytes, or else any file Convert takes.
        {
            FileBytes data;
            Failure error = Failure::None;
            std::error_code cause;
            if (ReadWholeFile(PathFromText(path), data, &error, &cause)) {
                WtrWaypointSet wtr;
                if (wtr.LoadFromBytes(data)) return Print(wtr, decoder_);
                if (wtr.error != Failure::WrongSignature) {
                    return Fail(path, wtr.error == Failure::Truncated
                                          ? "the WTR file is truncated or has no track section"
                                          : Reason(wtr.error));
                }
            }
        }
        WaypointFile file;
        if (!Load(path, file, "neither a GTM, a GPX nor a WTR file")) return false;
        return Print(file.set, file.format == WaypointFormat::Gpx ? gpxDecoder_ : decoder_);
    }

    // GPX names go into the code page asked for, or Big5 as WTR devices read it.
    bool OpenCodePages() {
        const std::string gpxCodePage =
            options_.codePage.empty() ? kGpxNameCodePage : options_.codePage;
        return decoder_.Open(options_.codePage) && gpxNames_.Open(gpxCodePage) &&
               gpxDecoder_.Open(gpxCodePage);
    }

private:
    template <class Set>
    bool Print(const Set& set, CodePageDecoder& names) {
        for (std::int32_t i = 0; i < set.count; ++i) {
            streams_.out << names.Decode(DisplayLine(set.records[i])) << '\n';
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

    // A GTM or GPX file, with the waypoints it holds; a failure is reported with its cause.
    bool Load(const std::string& path, WaypointFile& file, std::string_view foreign = {}) {
        if (file.Load(PathFromText(path), gpxNames_) && file.set.count > 0) return true;
        const GtmWaypointSet& set = file.set;
        const GpxReport& gpx = file.gpx;
        switch (set.error) {
            case Failure::WrongSignature:
                return Fail(path, foreign.empty() ? Reason(set.error) : foreign);
            case Failure::None:
                return Fail(path, Reason(Failure::NoWaypoints));
            case Failure::MalformedXml:
            case Failure::XmlRefused:
                return Fail(path, Reason(set.error) + " (line " + std::to_string(gpx.line) + ")");
            case Failure::BadPosition:
                return Fail(path, BadPosition(gpx.badWaypoint, gpx.badName, gpx.badLatitude,
                                              gpx.badLongitude) +
                                      " (line " + std::to_string(gpx.line) + ")");
            default:
                return Fail(path, Reason(set.error, set.cause));
        }
    }

    static std::string BadPosition(std::int32_t index, const std::string& name,
                                   const std::string& latitude, const std::string& longitude) {
        return "waypoint " + std::to_string(index + 1) + " (" + name + ") has " +
               Reason(Failure::BadPosition) + ": latitude " + latitude + ", longitude " + longitude;
    }

    static std::string Counted(std::int64_t count, std::string_view what) {
        return std::to_string(count) + ' ' + std::string(what) + (count == 1 ? "" : "s");
    }

    // Names are never renamed behind the user's back, but they are told what was written.
    void WarnAboutNames(const std::string& path, const GpxReport& gpx) {
        const auto quoted = [](const std::string& text) { return "\"" + text + "\""; };
        if (gpx.changedNames > 0) {
            streams_.err << "gtm2wtr: " << path
                         << ": warning: " << Counted(gpx.changedNames, "name")
                         << " cut to 10 bytes or with "
                         << "characters the code page lacks (as ?):";
            for (const ChangedName& name : gpx.firstChanged) {
                streams_.err << ' ' << quoted(name.original) << " as "
                             << quoted(gpxDecoder_.Decode(name.written)) << ';';
            }
            streams_.err << (static_cast<std::size_t>(gpx.changedNames) > gpx.firstChanged.size()
                                 ? " ...\n"
                                 : "\n");
        }
        if (gpx.mergedNames > 0) {
            streams_.err << "gtm2wtr: " << path << ": warning: different names written alike "
                         << "(a device may merge or overwrite them):";
            for (const std::string& name : gpx.firstMerged) {
                streams_.err << ' ' << quoted(gpxDecoder_.Decode(name));
            }
            streams_.err << (static_cast<std::size_t>(gpx.mergedNames) > gpx.firstMerged.size()
                                 ? " ...\n"
                                 : "\n");
        }
    }

    bool Fail(const std::string& file, std::string_view reason) {
        streams_.err << "gtm2wtr: " << file << ": " << reason << '\n';
        return false;
    }

    CliStreams streams_;
    const Options& options_;
    CodePageDecoder decoder_;
    CodePageEncoder gpxNames_;
    CodePageDecoder gpxDecoder_;
};

// NAME.wtr for NAME.gtm, NAME.gtz, NAME.gpx, NAME.gtm.gz, NAME.gpx.gz or NAME.gz (the
// .gtm.gz and .gpx.gz in any case); any other last extension is dropped as well.
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
    if (lower(name.extension()) == u8".gz" &&
        (lower(stem.extension()) == u8".gtm" || lower(stem.extension()) == u8".gpx")) {
        name = stem;
    }
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
    if (!tool.OpenCodePages())
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
