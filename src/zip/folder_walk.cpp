#include "zip/folder_walk.h"

#include <algorithm>

namespace velmor::zip {

namespace {

class Walk {
public:
    Walk(FolderLister& lister, const FolderMasks& masks, NameFold fold, const WalkOptions& options,
         std::vector<WalkedEntry>* entries)
        : lister_(lister), masks_(masks), fold_(fold), options_(options), entries_(*entries) {}

    // Adds the entries under relativePath; false when a folder cannot be listed.
    bool Folder(const std::wstring& relativePath) {
        std::vector<FolderItem> items;
        if (!lister_.List(relativePath, &items)) return false;
        std::vector<std::pair<std::wstring, size_t>> order;
        for (size_t i = 0; i < items.size(); ++i) order.emplace_back(fold_(items[i].name), i);
        std::sort(order.begin(), order.end());
        for (const auto& [key, i] : order) {
            const FolderItem& item = items[i];
            if (options_.skipHidden && item.hidden) continue;
            const std::wstring path =
                relativePath.empty() ? item.name : relativePath + L'/' + item.name;
            if (!item.folder) {
                if (masks_.PicksFile(item.name, path)) entries_.push_back({path, false, item.size});
                continue;
            }
            if (!options_.recurse || item.link || masks_.ExcludesFolder(item.name, path)) continue;
            const size_t before = entries_.size();
            if (!Folder(path)) return false;
            if (entries_.size() == before && masks_.PicksEveryFile())
                entries_.push_back({path, true, 0});
        }
        return true;
    }

private:
    FolderLister& lister_;
    const FolderMasks& masks_;
    NameFold fold_;
    const WalkOptions& options_;
    std::vector<WalkedEntry>& entries_;
};

}  // namespace

bool WalkFolder(FolderLister& lister, const FolderMasks& masks, NameFold fold,
                const WalkOptions& options, std::vector<WalkedEntry>* entries) {
    entries->clear();
    return Walk(lister, masks, fold, options, entries).Folder(std::wstring());
}

}  // namespace velmor::zip
