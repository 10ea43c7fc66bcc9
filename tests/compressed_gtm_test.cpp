// Compressed GTM files: known by their first bytes whatever their name, converted by gtm2wtr
// to the same bytes as the plain file and listed alike; a compressed file that is foreign,
// cut, damaged or lies about its size is refused with its reason and nothing written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cli/gtm2wtr.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/gzip.h"
#include "tests/support/temp_dir.h"

namespace quendra {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct CliRun {
    int exit = -1;
    std::string out, err;
};

CliRun Gtm2wtr(std::vector<std::string> args) {
    std::ostringstream out, err;
    std::istringstream in;
    CliRun run;
    run.exit = RunGtm2Wtr(args, {out, err, in, false});
    run.out = out.str();
    run.err = err.str();
    return run;
}

// Enough waypoints, with comments, that deflate makes several blocks of them.
Bytes Sample() {
    testing::GtmBuilder builder;
    for (int i = 0; i < 2000; ++i) {
        builder.Add({.latitude = 22 + i * 0.001,
                     .longitude = 120 + i * 0.0007,
                     .name = "W" + std::to_string(i * 7919),
                     .comment = std::string(static_cast<std::size_t>(i % 37), 'c'),
                     .altitude = static_cast<float>(i % 3000)});
    }
    return builder.Build();
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes joined;
    for (const Bytes& part : parts) joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

// The gzip trailer's last field: the inflated size modulo 2^32.
Bytes WithStatedSize(Bytes gz, std::uint32_t size) {
    for (int i = 0; i < 4; ++i) gz[gz.size() - 4 + i] = static_cast<std::uint8_t>(size >> 8 * i);
    return gz;
}

class CompressedGtm : public ::testing::Test {
protected:
    std::string Path(const std::string& name) { return (dir / name).string(); }
    std::string Write(const std::string& name, const Bytes& bytes) {
        testing::WriteBytes(dir / name, bytes);
        return Path(name);
    }

    testing::TempDir dir;
    const Bytes plain = Sample();
    const Bytes gz = testing::Gzip(plain);
};

TEST_F(CompressedGtm, ConvertsAndListsLikeThePlainFileWhateverItIsCalled) {
    const std::size_t half = plain.size() / 2;
    struct Case {
        std::string input;
        Bytes bytes;
        const char* wtr;
    };
    std::vector<Case> cases = {
        {"plain.gtm", plain, "plain.wtr"},
        {"zlib.gtz", gz, "zlib.wtr"},
        {"trip.gtm.gz", testing::Gzip(plain, 9), "trip.wtr"},
        {"LOUD.GTM.GZ", testing::Gzip(plain, 1), "LOUD.wtr"},
        {"compressed-but-named.gtm", gz, "compressed-but-named.wtr"},
        {"other.gz", gz, "other.wtr"},
        // Members joined as `cat a.gz b.gz` makes them, an empty one among them; the
        // signature spans the first two.
        {"members.gtz",
         Join({testing::Gzip(Bytes(plain.begin(), plain.begin() + 7)), testing::Gzip({}),
               testing::Gzip(Bytes(plain.begin() + 7, plain.begin() + half)),
               testing::Gzip(Bytes(plain.begin() + half, plain.end()))}),
         "members.wtr"},
        // Compressed far more than waypoints are, so its stated size is not believed at first.
        {"mostly-zeros.gtz", testing::Gzip(Join({plain, Bytes(8 << 20, 0)})), "mostly-zeros.wtr"},
        // What follows the last member without starting another is ignored, as gzip -d does.
        {"padded.gtz", Join({gz, Bytes(300, 0)}), "padded.wtr"},
    };
#ifndef _WIN32
    // gzip itself, which also stores the original name in the header.
    testing::WriteBytes(dir / "by-gzip.gtm", plain);
    ASSERT_EQ(std::system(("gzip -c " + Path("by-gzip.gtm") + " >" + Path("by-gzip.gtz")).c_str()),
              0);
    cases.push_back({"by-gzip.gtz", testing::ReadBytes(dir / "by-gzip.gtz"), "by-gzip.wtr"});
#endif
    fs::create_directory(dir / "out");
    std::vector<std::string> args = {"-d", Path("out")};
    for (const Case& c : cases) args.push_back(Write(c.input, c.bytes));
    CliRun run = Gtm2wtr(args);
    ASSERT_EQ(run.exit, 0) << run.err;

    const Bytes expected = testing::ReadBytes(dir / "out" / "plain.wtr");
    ASSERT_EQ(expected.size(), 16u + 64 * 2000 + 32);
    const std::string listed = Gtm2wtr({"--list", Path("plain.gtm")}).out;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(testing::ReadBytes(dir / "out" / c.wtr), expected);
        CliRun list = Gtm2wtr({"--list", Path(c.input)});
        EXPECT_EQ(list.exit, 0) << list.err;
        EXPECT_EQ(list.out, listed);
    }
}

TEST_F(CompressedGtm, RefusalsSayWhyAndWriteNothing) {
    Bytes badCrc = gz, badData = gz, foreignDamaged = testing::Gzip(Bytes(5000, 'x'));
    badCrc[badCrc.size() - 8] ^= 1;
    badData[badData.size() / 2] ^= 0x55;
    foreignDamaged[foreignDamaged.size() - 8] ^= 1;
    const std::string notGtm = "not a GTM file", cut = "the compressed file is truncated",
                      damaged = "the compressed file is damaged";
    struct Case {
        const char* what;
        Bytes bytes;
        const std::string& reason;
    };
    const Case cases[] = {
        {"a compressed text file", testing::Gzip(Bytes(5000, 'x')), notGtm},
        // Refused on its first bytes: the damage at its end is never reached.
        {"a compressed text file, damaged at the end", foreignDamaged, notGtm},
        {"a compressed empty file", testing::Gzip({}), notGtm},
        {"nothing but the magic bytes", {0x1F, 0x8B}, cut},
        {"cut inside the header", Bytes(gz.begin(), gz.begin() + 6), cut},
        {"cut inside the data", Bytes(gz.begin(), gz.begin() + gz.size() / 2), cut},
        {"cut inside the trailer", Bytes(gz.begin(), gz.end() - 3), cut},
        {"a second member cut short", Join({gz, Bytes(gz.begin(), gz.begin() + 30)}), cut},
        {"a wrong checksum", badCrc, damaged},
        {"damaged data", badData, damaged},
        {"a trailer stating a smaller size",
         WithStatedSize(gz, static_cast<std::uint32_t>(plain.size() - 1)), damaged},
        {"a trailer stating a larger size",
         WithStatedSize(gz, static_cast<std::uint32_t>(plain.size() + 1)), damaged},
        {"not deflate",
         {0x1F, 0x8B, 7, 0, 0, 0, 0, 0, 0, 3, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
         damaged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string in = Write("in.gtz", c.bytes);
        testing::WriteBytes(dir / "keep.wtr", {'o', 'l', 'd'});
        for (const CliRun& run : {Gtm2wtr({in, Path("keep.wtr")}), Gtm2wtr({"--list", in})}) {
            EXPECT_EQ(run.exit, 1);
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find("gtm2wtr: " + in + ": " + c.reason), std::string::npos)
                << run.err;
        }
        EXPECT_EQ(testing::ReadBytes(dir / "keep.wtr"), (Bytes{'o', 'l', 'd'}));
        EXPECT_EQ(dir.Names().size(), 2u) << "a temporary file was left";
    }
}

}  // namespace
}  // namespace quendra
