#include "cli/options.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <utility>

#ifndef QUENDRA_VERSION
#define QUENDRA_VERSION "unknown"
#endif

namespace quendra {

namespace {

// Windows shows names in the system's own code page, as its other programs do.
#ifdef _WIN32
constexpr const char* kDefaultCodePageText =
    "the system's ANSI code page;\nCP950 for names from and to GPX";
#else
constexpr const char* kDefaultCodePageText = "CP950, Big5";
#endif

std::string UsageErrorText(std::string_view problem) {
    return "gtm2wtr: " + std::string(problem) + "\nRun with --help for more information.\n";
}

template <typename T>
using Choices = std::vector<std::pair<std::string, T>>;

template <typename T>
std::string Names(const Choices<T>& choices) {
    std::string names;
    for (const auto& choice : choices) names += (names.empty() ? "" : "|") + choice.first;
    return names;
}

// An option that takes one of `choices` by its name.
template <typename T>
CLI::Option* AddChoice(CLI::App& app, const std::string& name, T& into, const Choices<T>& choices,
                       const std::string& help) {
    // Each transform runs before those added earlier: IsMember lets only the names through
    // (Transformer alone would also take the values' numbers), then Transformer maps them.
    return app.add_option(name, into, help)
        ->transform(CLI::Transformer(choices).description(""))
        ->transform(CLI::IsMember(choices).description(""))
        ->type_name(Names(choices));
}

// Usage lines for each way of running, where CLI11 would make one line of all the options;
// beside an option only what it takes, as the rules between options are in those lines.
class UsageFormatter : public CLI::Formatter {
public:
    explicit UsageFormatter(std::string usage) : usage_(std::move(usage)) {}
    std::string make_usage(const CLI::App*, std::string) const override { return usage_; }
    std::string make_option_opts(const CLI::Option* option) const override {
        return option->get_type_size() == 0 ? "" : " " + option->get_type_name();
    }

private:
    std::string usage_;
};

}  // namespace

std::optional<int> ParseOptions(const std::vector<std::string>& args, Options& options,
                                CliStreams streams) {
    const Choices<HuTzuShanPolicy> policies = {{"shift", HuTzuShanPolicy::Shift},
                                               {"refuse", HuTzuShanPolicy::Refuse}};
    const Choices<DatumMode> modes = {{std::string(kDatumModeSimple), DatumMode::Simple},
                                      {std::string(kDatumModeAccurate), DatumMode::Accurate}};

    CLI::App app(
        "Converts the waypoints of GPS TrackMaker (.gtm) and GPX files into Garmin WTR (.wtr)\n"
        "files, and any of the three into GPX.\n",
        "gtm2wtr");
    app.formatter(
        std::make_shared<UsageFormatter>("Usage:\n  gtm2wtr [--hu-tzu-shan=" + Names(policies) +
                                         "] [--datum-transform=" + Names(modes) +
                                         "]\n"
                                         "          [--codepage NAME] INPUT OUTPUT\n"
                                         "  gtm2wtr [same options] -d OUTDIR INPUT...\n"
                                         "  gtm2wtr --list [--positions] [--codepage NAME] FILE\n"
                                         "  gtm2wtr --list-datums\n"
                                         "  gtm2wtr --help | --version\n"));
    app.footer(
        "INPUT is a GTM, GPX or WTR file, and may be gzip-compressed (.gtz, .gtm.gz,\n"
        ".gpx.gz). OUTPUT is written as GPX 1.1 when its name ends in .gpx, as WTR\n"
        "otherwise; -d always writes WTR.\n\n"
        "Exit status: 0 success, 1 conversion or listing failed, 2 usage error.");
    app.failure_message(
        [](const CLI::App*, const CLI::Error& error) { return UsageErrorText(error.what()); });
    // A later value wins, so a script's defaults can be overridden.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.set_help_flag("-h,--help", "print this help");
    app.set_version_flag("--version", "gtm2wtr (Quendra) " QUENDRA_VERSION, "print the version");

    CLI::Option* folder = app.add_option("-d,--output-dir", options.outputFolder,
                                         "write each INPUT as OUTDIR/NAME.wtr, going on\n"
                                         "past failures (NAME without .gtm, .gtz, .gpx,\n"
                                         ".gtm.gz, .gpx.gz or .gz)")
                              ->type_name("OUTDIR");
    CLI::Option* list = app.add_flag("--list", options.list,
                                     "print the waypoints (name and altitude) of a\n"
                                     "GTM, GPX or WTR file");
    CLI::Option* positions = app.add_flag("--positions", options.positions,
                                          "with --list: each waypoint's latitude and\n"
                                          "longitude too, after a tab each");
    CLI::Option* policy = AddChoice(app, "--hu-tzu-shan", options.policy, policies,
                                    "Hu-Tzu-Shan files: shift converts them with the\n"
                                    "fixed WGS84 offset, refuse refuses them (the\n"
                                    "default when no one can be asked)");
    CLI::Option* mode = AddChoice(app, "--datum-transform", options.datumMode, modes,
                                  "simple (the default): WGS84 as it is, Hu-Tzu-Shan\n"
                                  "as above, other datums refused; accurate: every\n"
                                  "datum with a published shift to WGS84 with its\n"
                                  "ellipsoid and shift, without a question, the\n"
                                  "others refused");
    app.add_flag("--list-datums", options.listDatums,
                 "print every GTM datum code, one a line: code,\n"
                 "name, ellipsoid, shift, source (\"not converted\"\n"
                 "for a datum with no published shift)");
    app.add_option(
           "--codepage", options.codePage,
           std::string("code page of waypoint names (default\n") + kDefaultCodePageText + ")")
        ->type_name("NAME");
    app.add_option("FILE", options.files,
                   "INPUT OUTPUT, the INPUT files of -d, or the\n"
                   "FILE of --list")
        ->type_name("...");
    list->excludes(folder)->excludes(policy)->excludes(mode);
    positions->needs(list);

    // What depends on the values, or on how many files come with which option.
    app.callback([&] {
        const std::size_t files = options.files.size();
        const char* problem = nullptr;
        if (options.listDatums) {
            if (args.size() != 1) problem = "--list-datums takes no other argument";
        } else if (policy->count() > 0 && options.datumMode == DatumMode::Accurate) {
            problem = "--hu-tzu-shan applies only to --datum-transform=simple";
        } else if (options.list) {
            if (files != 1) problem = "--list takes exactly one FILE";
        } else if (options.outputFolder) {
            if (files == 0) problem = "-d needs at least one INPUT";
        } else if (files != 2) {
            problem = "expected INPUT and OUTPUT";
        }
        if (problem != nullptr) throw CLI::ValidationError(problem);
    });

    try {
        app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
    } catch (const CLI::ParseError& error) {
        return app.exit(error, streams.out, streams.err) == 0 ? kExitSuccess : kExitUsage;
    }
    return std::nullopt;
}

int UsageError(CliStreams streams, std::string_view problem) {
    streams.err << UsageErrorText(problem);
    return kExitUsage;
}

}  // namespace quendra
