// The Windows side of platform/xml_reader.h: XmlLite, the system's own pull parser, fed from
// the source through a stream of ours.
#include "platform/xml_reader.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_io_common.h"
#include "platform/utf16.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <objidl.h>
#include <windows.h>
#include <xmllite.h>

namespace quendra {

namespace {

using CreateXmlReaderCall = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

// The source as XmlLite reads it. It lives on ReadXml's stack and outlives the reader, so
// its reference count keeps nothing alive.
class SourceStream final : public ISequentialStream {
public:
    SourceStream(ByteSource& source, std::uint64_t nodeLimit, bool holdsClosers)
        : source_(source), nodeLimit_(nodeLimit), holdsClosers_(holdsClosers) {}
    virtual ~SourceStream() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (id == __uuidof(IUnknown) || id == __uuidof(ISequentialStream)) {
            *object = static_cast<ISequentialStream*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE Read(void* out, ULONG size, ULONG* read) override {
        if (read != nullptr) *read = 0;
        // XmlLite holds a node whole until it ends: one that goes on this long is refused.
        if (sinceNode_ > nodeLimit_ + kReadAhead) tooLong_ = true;
        if (tooLong_) return Refuse(HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
        auto* bytes = static_cast<std::uint8_t*>(out);
        auto filled = static_cast<ULONG>(std::min<std::size_t>(size, held_.size()));
        std::copy_n(held_.begin(), filled, bytes);
        held_.erase(held_.begin(), held_.begin() + filled);
        if (filled == 0 && failed_) return Refuse(HRESULT_FROM_WIN32(ERROR_READ_FAULT));
        if (filled == 0 && ended_) ++readsAtEnd_;
        // A failure comes after whatever was read before it, so that XmlLite reports the
        // elements those bytes hold first.
        while (filled < size && !ended_ && !failed_) {
            std::size_t got = 0;
            if (!source_.Read(bytes + filled, size - filled, got)) {
                failed_ = true;
            } else if (got == 0) {
                ended_ = true;
            }
            filled += static_cast<ULONG>(got);
        }
        // Wine's XmlLite misreads "--" of a comment's end, "?>" or "]]>" split between two
        // reads; in UTF-8 the bytes that may start them wait for the next read. UTF-16 (a
        // byte-order mark or a zero byte first) is left whole, its units never cut.
        if (fed_ == 0 && filled >= 2 &&
            ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF) ||
             bytes[0] == 0 || bytes[1] == 0)) {
            holdsClosers_ = false;
        }
        if (holdsClosers_ && !ended_ && !failed_) {
            ULONG keep = filled;
            while (keep > 0 &&
                   (bytes[keep - 1] == '-' || bytes[keep - 1] == '?' || bytes[keep - 1] == ']')) {
                --keep;
            }
            if (keep > 0) {
                held_.insert(held_.begin(), bytes + keep, bytes + filled);
                filled = keep;
            }
        }
        fed_ += filled;
        sinceNode_ += filled;
        if (read != nullptr) *read = filled;
        return filled == 0 && failed_ ? Refuse(HRESULT_FROM_WIN32(ERROR_READ_FAULT)) : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override {
        return STG_E_ACCESSDENIED;
    }

    // Called as each node is read: XmlLite has let go of what came before it.
    void NodeStarts() { sinceNode_ = 0; }

    // Wine goes on after a refused read, and where the input ends inside an element it
    // neither fails nor ends but reads nothing again and again: either way it makes text
    // of what it has, which must not count as the document's.
    bool refused() const { return refused_; }
    bool stuckAtEnd() const { return readsAtEnd_ > kReadsAtEnd; }
    bool failed() const { return failed_; }
    bool tooLong() const { return tooLong_; }
    std::uint64_t fed() const { return fed_; }

private:
    HRESULT Refuse(HRESULT why) {
        refused_ = true;
        return why;
    }

    // What XmlLite may ask for beyond the node it is reading.
    static constexpr std::uint64_t kReadAhead = std::uint64_t{64} << 10;
    static constexpr int kReadsAtEnd = 8;

    ByteSource& source_;
    std::uint64_t nodeLimit_;
    bool holdsClosers_;
    std::vector<std::uint8_t> held_;
    bool ended_ = false;
    bool failed_ = false;
    bool tooLong_ = false;
    bool refused_ = false;
    int readsAtEnd_ = 0;
    std::uint64_t fed_ = 0;
    std::uint64_t sinceNode_ = 0;
};

struct Releaser {
    void operator()(IUnknown* object) const { object->Release(); }
};

// mingw-w64 has XmlLite's header but no import library; the DLL is part of every Windows
// since Vista. Loaded once, from the system folder only, so no file beside the program or
// in the current folder can stand in for it.
struct XmlLite {
    CreateXmlReaderCall create = nullptr;
    DWORD error = 0;  // why it could not be loaded
    // Wine's, told by its keeping a reference to an undeclared entity in text as it was
    // (Windows' refuses the document), which needs that text looked at. Wine 8's also
    // reads freed memory in a comment of some 330 KB or more: its nodes are bounded lower;
    // and it needs the ends of comments, instructions and CDATA sections given whole.
    bool wine = false;
    std::uint64_t nodeLimit = kMaxXmlToken;
};

// Bytes in memory, for the probe below.
class BytesSource final : public ByteSource {
public:
    explicit BytesSource(std::string_view bytes) : bytes_(bytes) {}
    bool Read(std::uint8_t* out, std::size_t size, std::size_t& got) override {
        got = std::min(size, bytes_.size());
        std::copy_n(bytes_.begin(), got, out);
        bytes_.remove_prefix(got);
        return true;
    }

private:
    std::string_view bytes_;
};

bool KeepsUndeclaredEntities(CreateXmlReaderCall create) {
    BytesSource bytes("<r>&e;</r>");
    SourceStream stream(bytes, kMaxXmlToken, false);
    IXmlReader* created = nullptr;
    if (FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(&created), nullptr))) {
        return false;
    }
    std::unique_ptr<IXmlReader, Releaser> reader(created);
    if (FAILED(reader->SetInput(&stream))) return false;
    XmlNodeType type = XmlNodeType_None;
    for (int node = 0; node < 4 && reader->Read(&type) == S_OK; ++node) {
        if (type == XmlNodeType_Text) return true;
    }
    return false;
}

constexpr std::uint64_t kWineNodeLimit = std::uint64_t{128} << 10;

const XmlLite& LoadXmlLite() {
    static const XmlLite lite = [] {
        XmlLite loaded;
        HMODULE module = LoadLibraryExW(L"xmllite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        FARPROC entry = module != nullptr ? GetProcAddress(module, "CreateXmlReader") : nullptr;
        if (entry == nullptr) {
            loaded.error = GetLastError();
        } else {
            // Through void(*)(), which GCC takes as a cast to a function of any type.
            loaded.create =
                reinterpret_cast<CreateXmlReaderCall>(reinterpret_cast<void (*)()>(entry));
            loaded.wine = KeepsUndeclaredEntities(loaded.create);
            if (loaded.wine) loaded.nodeLimit = kWineNodeLimit;
        }
        return loaded;
    }();
    return lite;
}

constexpr std::wstring_view kXmlnsUri = L"http://www.w3.org/2000/xmlns/";

class XmlLiteReader {
public:
    XmlLiteReader(ByteSource& input, XmlHandler& handler, XmlError& error)
        : lite_(LoadXmlLite()),
          input_(input),
          stream_(input, lite_.nodeLimit, lite_.wine),
          handler_(handler),
          error_(error) {}

    bool Read() {
        const XmlLite& lite = lite_;
        if (lite.create == nullptr) {
            // No parser at all: the file cannot be read here, for the system's reason. The
            // cause goes with the source, where a failed read leaves its own.
            input_.failure = Failure::CannotRead;
            input_.cause = {static_cast<int>(lite.error), file_io_detail::SystemErrors()};
            return Fail(Failure::CannotRead);
        }
        IXmlReader* created = nullptr;
        HRESULT result =
            lite.create(__uuidof(IXmlReader), reinterpret_cast<void**>(&created), nullptr);
        if (FAILED(result)) return Failed(result);
        reader_.reset(created);
        // Prohibiting the DTD keeps every entity but the predefined ones undeclared, so
        // nothing is expanded or fetched; the bounds stand behind that and our own depth.
        // Wine leaves MaxEntityExpansion unimplemented; 0 would mean no bound at all.
        if (FAILED(result = reader_->SetProperty(XmlReaderProperty_DtdProcessing,
                                                 DtdProcessing_Prohibit)) ||
            FAILED(result =
                       reader_->SetProperty(XmlReaderProperty_MaxElementDepth, kMaxXmlDepth + 1)) ||
            FAILED(result = reader_->SetInput(&stream_))) {
            return Failed(result);
        }
        reader_->SetProperty(XmlReaderProperty_MaxEntityExpansion, 1);

        for (;;) {
            stream_.NodeStarts();
            XmlNodeType type = XmlNodeType_None;
            result = reader_->Read(&type);
            if (result == S_FALSE) break;
            if (FAILED(result) || stream_.refused()) return Failed(result);
            if (stream_.stuckAtEnd()) return Fail(Failure::MalformedXml);
            if (!Node(type)) return false;
        }
        // Wine ends quietly where the input ends, inside the root or before it.
        if (stream_.failed()) return Failed(E_FAIL);
        if (!sawElement_ || depth_ != 0) return Fail(Failure::MalformedXml);
        return true;
    }

private:
    bool Node(XmlNodeType type) {
        switch (type) {
            case XmlNodeType_Element:
                return Start();
            case XmlNodeType_EndElement:
                --depth_;
                return Name() && Handled(handler_.EndElement(name_));
            case XmlNodeType_Text:
            case XmlNodeType_CDATA:
            case XmlNodeType_Whitespace: {
                // Whitespace outside the root is no character data.
                if (depth_ == 0) return true;
                std::wstring_view wide;
                if (!WideValue(wide)) return false;
                if (type == XmlNodeType_Text && lite_.wine && HasReference(wide)) {
                    return Fail(Failure::XmlRefused);
                }
                if (wide.empty()) return true;
                text_ = Utf8FromWide(wide);
                return Handled(handler_.Text(text_));
            }
            default:
                return true;
        }
    }

    bool Start() {
        sawElement_ = true;
        if (++depth_ > kMaxXmlDepth) return Fail(Failure::XmlRefused);
        // Asked before the attributes move the reader off the element.
        const bool empty = reader_->IsEmptyElement() != FALSE;
        if (!Name()) return false;
        const std::string name = name_;
        std::size_t count = 0;
        HRESULT result = reader_->MoveToFirstAttribute();
        for (; result == S_OK; result = reader_->MoveToNextAttribute()) {
            // Namespace declarations are no attributes to a reader that matches local names.
            const WCHAR* uri = nullptr;
            UINT uriLength = 0;
            if (FAILED(result = reader_->GetNamespaceUri(&uri, &uriLength))) break;
            if (std::wstring_view(uri, uriLength) == kXmlnsUri) continue;
            if (attributeTexts_.size() < 2 * (count + 1)) attributeTexts_.resize(2 * (count + 1));
            if (!Name() || !Value(attributeTexts_[2 * count + 1])) return false;
            attributeTexts_[2 * count] = name_;
            ++count;
        }
        if (FAILED(result) || FAILED(result = reader_->MoveToElement())) return Failed(result);
        // Views only now: the strings may move while the vector grows.
        attributes_.clear();
        for (std::size_t i = 0; i < count; ++i) {
            attributes_.push_back({attributeTexts_[2 * i], attributeTexts_[2 * i + 1]});
        }
        if (!Handled(handler_.StartElement(name, attributes_))) return false;
        if (!empty) return true;
        --depth_;
        return Handled(handler_.EndElement(name));
    }

    // The current node's local name into name_.
    bool Name() {
        const WCHAR* text = nullptr;
        UINT length = 0;
        HRESULT result = reader_->GetLocalName(&text, &length);
        if (FAILED(result)) return Failed(result);
        name_ = Utf8FromWide({text, length});
        return true;
    }

    bool WideValue(std::wstring_view& out) {
        const WCHAR* text = nullptr;
        UINT length = 0;
        HRESULT result = reader_->GetValue(&text, &length);
        if (FAILED(result)) return Failed(result);
        out = {text, length};
        return true;
    }

    bool Value(std::string& out) {
        std::wstring_view wide;
        if (!WideValue(wide)) return false;
        out = Utf8FromWide(wide);
        return true;
    }

    // A reference left in text as it was: "&", a name, ";". Text that spelled out such a
    // reference with "&amp;" looks the same, and is refused too where the check is needed.
    static bool HasReference(std::wstring_view text) {
        auto nameStart = [](wchar_t c) {
            return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_' || c == L':' ||
                   c >= 0x80;
        };
        auto nameChar = [&](wchar_t c) {
            return nameStart(c) || (c >= L'0' && c <= L'9') || c == L'-' || c == L'.';
        };
        for (std::size_t at = text.find(L'&'); at != std::wstring_view::npos;
             at = text.find(L'&', at + 1)) {
            std::size_t end = at + 1;
            if (end >= text.size() || !nameStart(text[end])) continue;
            while (end < text.size() && nameChar(text[end])) ++end;
            if (end < text.size() && text[end] == L';') return true;
        }
        return false;
    }

    bool Handled(bool going) { return going || Fail(Failure::None); }

    // XmlLite's failure, or the source's that caused it.
    bool Failed(HRESULT result) {
        if (stream_.failed()) {
            // What came before the failure and started no element may already be no XML:
            // a foreign file is known as such, whatever else is wrong with it.
            return Fail(!sawElement_ && stream_.fed() > 0 ? Failure::MalformedXml : input_.failure);
        }
        if (stream_.tooLong()) return Fail(Failure::XmlRefused);
        switch (static_cast<unsigned long>(result)) {
            case WC_E_DTDPROHIBITED:
            case WC_E_UNDECLAREDENTITY:
            case SC_E_MAXELEMENTDEPTH:
            case SC_E_MAXENTITYEXPANSION:
                return Fail(Failure::XmlRefused);
            case static_cast<unsigned long>(E_OUTOFMEMORY):
                return Fail(Failure::OutOfMemory);
        }
        return Fail(Failure::MalformedXml);
    }

    bool Fail(Failure why) {
        error_.failure = why;
        UINT line = 0;
        if (reader_ && SUCCEEDED(reader_->GetLineNumber(&line))) error_.line = line;
        return false;
    }

    const XmlLite& lite_;
    ByteSource& input_;
    SourceStream stream_;  // declared before the reader, so destroyed after it
    std::unique_ptr<IXmlReader, Releaser> reader_;
    XmlHandler& handler_;
    XmlError& error_;
    std::string name_;
    std::string text_;
    std::vector<std::string> attributeTexts_;  // names and values, in turn
    std::vector<XmlAttribute> attributes_;
    int depth_ = 0;
    bool sawElement_ = false;
};

}  // namespace

bool ReadXml(ByteSource& input, XmlHandler& handler, XmlError& error) {
    error = {};
    return XmlLiteReader(input, handler, error).Read();
}

}  // namespace quendra
