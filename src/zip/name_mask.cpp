#include "zip/name_mask.h"

#include <algorithm>
#include <cstdint>

namespace velmor::zip {

namespace {

// Code units of the character at i: two for a surrogate pair, else one.
size_t CharLength(const std::wstring& text, size_t i) {
    const auto unit = static_cast<uint32_t>(text[i]);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size()) {
        const auto next = static_cast<uint32_t>(text[i + 1]);
        if (next >= 0xDC00 && next <= 0xDFFF) return 2;
    }
    return 1;
}

}  // namespace

bool HasWildcard(const std::wstring& pattern) {
    return pattern.find_first_of(L"*?") != std::wstring::npos;
}

bool WildcardMatch(const std::wstring& pattern, const std::wstring& text) {
    // Greedy with one backtrack point: the last "*" seen and the text position it resumes at.
    size_t p = 0;
    size_t t = 0;
    size_t star = std::wstring::npos;
    size_t resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == L'?') {
            ++p;
            t += CharLength(text, t);
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::wstring::npos) {
            p = star + 1;
            resume += CharLength(text, resume);
            t = resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

FolderMasks::FolderMasks(const std::wstring& masks, NameFold fold) : fold_(fold) {
    size_t start = 0;
    while (start <= masks.size()) {
        size_t end = masks.find(L';', start);
        if (end == std::wstring::npos) end = masks.size();
        std::wstring text = masks.substr(start, end - start);
        start = end + 1;
        const bool exclude = !text.empty() && text[0] == L'-';
        if (exclude) text.erase(0, 1);
        std::replace(text.begin(), text.end(), L'\\', L'/');
        Pattern pattern;
        pattern.path = text.find(L'/') != std::wstring::npos;
        // The walked folder is the root of every relative path.
        text.erase(0, text.find_first_not_of(L'/'));
        if (text.empty()) continue;
        pattern.text = fold_(text);
        (exclude ? excludes_ : includes_).push_back(std::move(pattern));
    }
}

bool FolderMasks::AnyMatches(const std::vector<Pattern>& patterns, const std::wstring& name,
                             const std::wstring& relativePath) {
    return std::any_of(patterns.begin(), patterns.end(), [&](const Pattern& pattern) {
        return WildcardMatch(pattern.text, pattern.path ? relativePath : name);
    });
}

bool FolderMasks::PicksFile(const std::wstring& name, const std::wstring& relativePath) const {
    const std::wstring foldedName = fold_(name);
    const std::wstring foldedPath = fold_(relativePath);
    if (AnyMatches(excludes_, foldedName, foldedPath)) return false;
    return includes_.empty() || AnyMatches(includes_, foldedName, foldedPath);
}

bool FolderMasks::ExcludesFolder(const std::wstring& name, const std::wstring& relativePath) const {
    return AnyMatches(excludes_, fold_(name), fold_(relativePath + L'/'));
}

}  // namespace velmor::zip
