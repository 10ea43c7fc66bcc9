// Where display lines go: the dialog's list, the terminal, or a test.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quendra {

class LineSink {
public:
    virtual ~LineSink() = default;
    // `line` holds raw code-page bytes; the sink keeps lines in the order added.
    virtual void AddLine(std::string_view line) = 0;
    // False for a sink that throws lines away, so a load need not format them.
    virtual bool WantsLines() const { return true; }
};

class VectorLineSink : public LineSink {
public:
    void AddLine(std::string_view line) override { lines.emplace_back(line); }

    std::vector<std::string> lines;
};

}  // namespace quendra
