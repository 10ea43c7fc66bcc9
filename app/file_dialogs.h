// The open and save file dialogs, behind an interface so tests can answer them.
#pragma once

#include <string>
#include <vector>

namespace quendra {

struct FileDialogRequest {
    enum class Mode { Open, Save };
    Mode mode = Mode::Open;
    // The filters offered, the first chosen at start: "GPS TrackMaker Files" with *.gtm and
    // *.gtz, say; each face writes them in its own notation.
    struct Filter {
        std::string description;
        std::vector<std::string> patterns;
        friend bool operator==(const Filter&, const Filter&) = default;
    };
    std::vector<Filter> filters;
    std::string defaultExtension;  // added to a name typed without one; empty for none
    // Handed to the dialog unchanged: normally a full file path, whose folder is meant.
    std::string initialDirectory;
};

// Both dialogs hide the read-only box, require the chosen file's folder to exist (not the
// file itself) and never ask before an existing file is chosen.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // True with the chosen full path when the user accepts, false on Cancel.
    virtual bool Run(const FileDialogRequest& request, std::string& pathName) = 0;
};

}  // namespace quendra
