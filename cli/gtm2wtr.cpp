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
#include "platform/byte_source.h"
#include "platform/codepage.h"
#include "platform/file_io.h"
#include "platform/path_text.h"
#include "res/string_table.h"
#include "waypoints/datums.h"
#include "waypoints/display_line.h"
#include "waypoints/gpx_writer.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/waypoint_file.h"
#include "waypoints/wtr_waypoint_set.h"

namespace quendra {

namespace {

// A file name's part with its ASCII letters in lower case, for extensions of any case.
std::u8string Lower(const std::filesystem::path& part) {
    std::u8string text = part.u8string();
    std::transform(text.begin(), text.end(), text.begin(), [](char8_t c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char8_t>(c + 32) : c;
    });
    return text;
}

// The shortest text that reads back as the same number.
std::string Number(double value) {
    char text[32];
    return std::string(text, std::to_chars(text, std::end(text), value).ptr);
}

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
        const bool toGpx = IsGpxName(output);
        Input in;
        // A WTR file goes into GPX as it is read, never held.
        if (!LoadInput(input, in, output, !toGpx)) return false;
        if (in.isWtr) return toGpx ? WriteGpx(input, output) : SaveWtr(in.wtr, input, output);
        const GtmWaypointSet& gtm = in.file.set;
        const bool fromGpx = in.file.format == WaypointFormat::Gpx;
        if (fromGpx) WarnAboutNames(input, in.file.gpx);

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

        std::int32_t written = 0;
        if (toGpx) {
            if (!WriteGpx(in.file, verdict.conversion, input, output)) return false;
            written = gtm.count;
        } else {
            WtrWaypointSet wtr;
            if (!wtr.BuildFrom(gtm.count, gtm.records.get(), verdict.conversion)) {
                if (wtr.badWaypoint < 0) return Fail(input, Reason(Failure::OutOfMemory));
                return Fail(input, BadPosition(gtm, wtr.badWaypoint, NamesOf(in.file)));
            }
            // The input is named so that the output can never replace it.
            if (!wtr.Save(PathFromText(output), PathFromText(input))) {
                return Fail(output, "cannot write the WTR file: " + wtr.saveError.message());
            }
            written = wtr.count;
        }
        Wrote(written, output);
        if (verdict.kind == DatumVerdict::Kind::Convert) {
            streams_.err << " (converted from " << verdict.conversion.datum->name << " to WGS84)";
        }
        if (fromGpx) {
            streams_.err << " (left out: " << Counted(in.file.gpx.routePoints, "route point")
                         << ", " << Counted(in.file.gpx.trackPoints, "track point") << ')';
        }
        streams_.err << '\n';
        return true;
    }

    bool List(const std::string& path) {
        Input in;
        if (!LoadInput(path, in)) return false;
        if (in.isWtr) return Print(in.wtr, decoder_);
        return Print(in.file.set, NamesOf(in.file));
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
            streams_.out << names.Decode(DisplayLine(set.records[i]));
            if (options_.positions) {
                const auto [latitude, longitude] = Degrees(set.records[i]);
                streams_.out << '\t' << Number(latitude) << '\t' << Number(longitude);
            }
            streams_.out << '\n';
        }
        streams_.out.flush();
        return true;
    }

    static std::pair<double, double> Degrees(const GtmWaypoint& waypoint) {
        return {waypoint.latitude, waypoint.longitude};
    }
    static std::pair<double, double> Degrees(const WtrWaypoint& waypoint) {
        return {FromSemicircles(waypoint.latitude), FromSemicircles(waypoint.longitude)};
    }

    // Names of a GTM file are in the code page of --codepage, or the system's; those a GPX
    // file gave were written in the GPX one.
    CodePageDecoder& NamesOf(const WaypointFile& file) {
        return file.format == WaypointFormat::Gpx ? gpxDecoder_ : decoder_;
    }

    static bool IsGpxName(const std::string& path) {
        return Lower(PathFromText(path).extension()) == u8".gpx";
    }

    void Wrote(std::int32_t count, const std::string& output) {
        streams_.err << "gtm2wtr: wrote " << count << (count == 1 ? " waypoint" : " waypoints")
                     << " to " << output;
    }

    bool SaveWtr(WtrWaypointSet& wtr, const std::string& input, const std::string& output) {
        if (!wtr.Save(PathFromText(output), PathFromText(input))) {
            return Fail(output, "cannot write the WTR file: " + wtr.saveError.message());
        }
        Wrote(wtr.count, output);
        streams_.err << '\n';
        return true;
    }

    // A WTR file's records as GPX, read one by one, each position as the degrees that
    // convert back to its units.
    bool WriteGpx(const std::string& input, const std::string& output) {
        FileSource file;
        if (!file.Open(PathFromText(input))) return Fail(input, Reason(file.failure, file.cause));
        WtrRecordReader records(file);
        GpxWriter gpx;
        if (!gpx.Open(PathFromText(output), PathFromText(input))) {
            return Fail(output, "cannot write the GPX file: " + gpx.error().message());
        }
        std::int32_t count = 0;
        for (WtrWaypoint waypoint; records.Next(waypoint); ++count) {
            gpx.Add(decoder_.Decode(std::string_view(waypoint.name, strnlen(waypoint.name, 10))),
                    FromSemicircles(waypoint.latitude), FromSemicircles(waypoint.longitude),
                    waypoint.altitude, waypoint.symbolCode);
        }
        // The writer is dropped unfinished on a failure, so an old file stays as it was.
        if (records.error != Failure::None)
            return Fail(input, WtrFailure(records.error, file.cause));
        if (count == 0) return Fail(input, Reason(Failure::NoWaypoints));
        if (!gpx.Commit())
            return Fail(output, "cannot write the GPX file: " + gpx.error().message());
        Wrote(count, output);
        streams_.err << '\n';
        return true;
    }

    // A GTM or GPX file's waypoints as GPX, each position moved as a WTR file would get it,
    // but with all its digits.
    bool WriteGpx(const WaypointFile& file, const DatumConversion& conversion,
                  const std::string& input, const std::string& output) {
        const GtmWaypointSet& set = file.set;
        CodePageDecoder& names = NamesOf(file);
        GpxWriter gpx;
        if (!gpx.Open(PathFromText(output), PathFromText(input))) {
            return Fail(output, "cannot write the GPX file: " + gpx.error().message());
        }
        for (std::int32_t i = 0; i < set.count; ++i) {
            const GtmWaypoint& waypoint = set.records[i];
            double latitude = waypoint.latitude;
            double longitude = waypoint.longitude;
            // The writer is dropped unfinished, so an old file stays as it was.
            if (!MovePosition(conversion, latitude, longitude)) {
                return Fail(input, BadPosition(set, i, names));
            }
            gpx.Add(names.Decode(std::string_view(waypoint.name)), latitude, longitude,
                    waypoint.altitude, WtrSymbolFor(waypoint.iconCode));
        }
        if (!gpx.Commit())
            return Fail(output, "cannot write the GPX file: " + gpx.error().message());
        return true;
    }

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

    // What an input holds: a GTM or GPX file's waypoints, or a WTR file's records.
    struct Input {
        WaypointFile file;
        WtrWaypointSet wtr;
        bool isWtr = false;
    };

    // A GTM, GPX or WTR file, with the waypoints it holds; a failure is reported with its
    // cause. A WTR file (to convert to anything but GPX) may hold none.
    // With `wtrRecords` false a WTR file is only taken for one (its reader checks it).
    bool LoadInput(const std::string& path, Input& in, const std::string& output = {},
                   bool wtrRecords = true) {
        WaypointFile& file = in.file;
        if (file.Load(PathFromText(path), gpxNames_) && file.set.count > 0) return true;
        const GtmWaypointSet& set = file.set;
        const GpxReport& gpx = file.gpx;
        switch (set.error) {
            case Failure::WrongSignature:
                if (!wtrRecords) return in.isWtr = true;
                return LoadWtr(path, in, output);
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

    // Read only when the file is neither GTM nor GPX: a conversion reads its input once.
    bool LoadWtr(const std::string& path, Input& in, const std::string& output) {
        FileBytes data;
        Failure error = Failure::None;
        std::error_code cause;
        if (!ReadWholeFile(PathFromText(path), data, &error, &cause)) {
            return Fail(path, Reason(error, cause));
        }
        if (!in.wtr.LoadFromBytes(data)) return Fail(path, WtrFailure(in.wtr.error));
        if (in.wtr.count == 0 && !output.empty()) return Fail(path, Reason(Failure::NoWaypoints));
        in.isWtr = true;
        return true;
    }

    static std::string WtrFailure(Failure error, const std::error_code& cause = {}) {
        if (error == Failure::WrongSignature) return "neither a GTM, a GPX nor a WTR file";
        if (error == Failure::Truncated) return "the WTR file is truncated or has no track section";
        return Reason(error, cause);
    }

    std::string BadPosition(const GtmWaypointSet& set, std::int32_t index, CodePageDecoder& names) {
        const GtmWaypoint& bad = set.records[index];
        return BadPosition(index, names.Decode(std::string_view(bad.name)),
                           std::to_string(bad.latitude), std::to_string(bad.longitude));
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
    std::filesystem::path name = input.filename();
    std::filesystem::path stem = name.stem();
    if (Lower(name.extension()) == u8".gz" &&
        (Lower(stem.extension()) == u8".gtm" || Lower(stem.extension()) == u8".gpx")) {
        name = stem;
    }
    return name.replace_extension(".wtr");
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
