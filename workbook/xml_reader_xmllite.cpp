// The XML reader on XmlLite, which every Windows since Vista carries (xmllite.dll). It is
// loaded when first needed, so the program links against nothing more.
#include "workbook/xml_reader.h"

#include "base/utf.h"
#include "base/windows_api.h"

#include <objidl.h>
#include <xmllite.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <deque>
#include <vector>

namespace brisel {
namespace {

// The document's pieces as the stream XmlLite reads from.
class SourceStream final : public ISequentialStream {
public:
    explicit SourceStream(const XmlSource& next) : next_(next) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (id == __uuidof(IUnknown) || id == __uuidof(ISequentialStream)) {
            *object = static_cast<ISequentialStream*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }  // lives on the stack

    HRESULT STDMETHODCALLTYPE Read(void* into, ULONG room, ULONG* got) override {
        ULONG done = 0;
        while (done < room && !ended_) {
            if (piece_.empty()) {
                const std::optional<std::string_view> piece = next_();
                if (!piece) {
                    failed_ = true;
                    return E_FAIL;
                }
                ended_ = piece->empty();
                piece_ = *piece;
                continue;
            }
            const std::size_t take = std::min<std::size_t>(piece_.size(), room - done);
            std::memcpy(static_cast<char*>(into) + done, piece_.data(), take);
            piece_.remove_prefix(take);
            done += static_cast<ULONG>(take);
        }
        if (got != nullptr)
            *got = done;
        return done < room ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }

    bool failed() const noexcept { return failed_; }

private:
    const XmlSource& next_;
    std::string_view piece_;
    ULONG references_ = 1;
    bool ended_ = false;
    bool failed_ = false;
};

template <class Interface>
class Com {
public:
    Com() = default;
    ~Com() {
        if (p_ != nullptr)
            p_->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    Interface** out() noexcept { return &p_; }
    Interface* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

private:
    Interface* p_ = nullptr;
};

using CreateReader = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

CreateReader createReader() {
    static const auto create = [] {
        const HMODULE library = LoadLibraryExW(L"xmllite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return library == nullptr ? nullptr
                                  : reinterpret_cast<CreateReader>(
                                        reinterpret_cast<void (*)()>(GetProcAddress(library, "CreateXmlReader")));
    }();
    return create;
}

// UTF-8 copies of the current node's strings, kept while the handler looks at them.
class Utf8 {
public:
    std::string_view of(const WCHAR* text, UINT length) {
        const std::u16string_view wide(reinterpret_cast<const char16_t*>(text), length);
        strings_.push_back(utf8FromUtf16(wide).value_or(std::string()));
        return strings_.back();
    }
    void clear() { strings_.clear(); }

private:
    std::deque<std::string> strings_;  // never moved, so the views stay valid
};

}  // namespace

XmlResult readXml(const XmlSource& next, XmlHandler& handler) {
    const CreateReader create = createReader();
    Com<IXmlReader> reader;
    if (create == nullptr || FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(reader.out()), nullptr)))
        return XmlResult::malformed;
    SourceStream stream(next);
    reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    if (FAILED(reader->SetInput(static_cast<ISequentialStream*>(&stream))))
        return XmlResult::malformed;

    std::vector<XmlAttribute> attributes;
    Utf8 utf8;
    for (;;) {
        XmlNodeType type = XmlNodeType_None;
        const HRESULT read = reader->Read(&type);
        if (read == S_FALSE)
            return XmlResult::complete;
        if (read != S_OK)
            return stream.failed() ? XmlResult::sourceFailed : XmlResult::malformed;
        utf8.clear();
        const WCHAR* text = nullptr;
        UINT length = 0;
        bool goOn = true;
        switch (type) {
        case XmlNodeType_Element: {
            const bool empty = reader->IsEmptyElement();
            reader->GetNamespaceUri(&text, &length);
            const std::string_view ns = utf8.of(text, length);
            reader->GetLocalName(&text, &length);
            const std::string_view name = utf8.of(text, length);
            attributes.clear();
            for (HRESULT at = reader->MoveToFirstAttribute(); at == S_OK; at = reader->MoveToNextAttribute()) {
                if (reader->IsDefault())
                    continue;
                XmlAttribute attribute;
                reader->GetNamespaceUri(&text, &length);
                attribute.ns = utf8.of(text, length);
                reader->GetLocalName(&text, &length);
                attribute.name = utf8.of(text, length);
                reader->GetValue(&text, &length);
                attribute.value = utf8.of(text, length);
                attributes.push_back(attribute);
            }
            reader->MoveToElement();
            goOn = handler.start(ns, name, attributes) && (!empty || handler.end(ns, name));
            break;
        }
        case XmlNodeType_EndElement: {
            reader->GetNamespaceUri(&text, &length);
            const std::string_view ns = utf8.of(text, length);
            reader->GetLocalName(&text, &length);
            goOn = handler.end(ns, utf8.of(text, length));
            break;
        }
        case XmlNodeType_Text:
        case XmlNodeType_CDATA:
        case XmlNodeType_Whitespace:
            reader->GetValue(&text, &length);
            goOn = handler.text(utf8.of(text, length));
            break;
        case XmlNodeType_DocumentType:
            return XmlResult::malformed;
        default:
            break;
        }
        if (!goOn)
            return XmlResult::stopped;
    }
}

}  // namespace brisel
