// The enumerators a connection point container hands out: a snapshot of items taken when the
// enumerator is made, each holding its own reference until the enumerator goes.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <new>
#include <vector>

#include "module/module.h"

namespace velmor {

// How the items of an enumerator are referenced: an interface pointer, or the sink inside a
// CONNECTDATA.
inline void EnumItemAddRef(IConnectionPoint* item) noexcept { item->AddRef(); }
inline void EnumItemRelease(IConnectionPoint* item) noexcept { item->Release(); }
inline void EnumItemAddRef(const CONNECTDATA& item) noexcept { item.pUnk->AddRef(); }
inline void EnumItemRelease(const CONNECTDATA& item) noexcept { item.pUnk->Release(); }

// Enum: IEnumConnectionPoints or IEnumConnections; Item what its Next hands out.
template <class Enum, class Item, const IID* EnumIid>
class SnapshotEnum final : public Enum {
public:
    // Takes a reference of its own to every item.
    static HRESULT Create(const std::vector<Item>& items, size_t position, Enum** out) noexcept {
        if (!out) return E_POINTER;
        *out = nullptr;
        auto* made = new (std::nothrow) SnapshotEnum();
        if (!made) return E_OUTOFMEMORY;
        try {
            made->items_ = items;
        } catch (...) {
            delete made;
            return E_OUTOFMEMORY;
        }
        for (const Item& item : made->items_) EnumItemAddRef(item);
        made->position_ = position;
        *out = made;
        return S_OK;
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, *EnumIid)) {
            *out = static_cast<Enum*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG refs = --refs_;
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }

    STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG given = 0;
        while (given < count && position_ < items_.size()) {
            out[given] = items_[position_++];
            EnumItemAddRef(out[given]);
            ++given;
        }
        if (fetched) *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        const size_t left = items_.size() - position_;
        if (count > left) {
            position_ = items_.size();
            return S_FALSE;
        }
        position_ += count;
        return S_OK;
    }
    STDMETHODIMP Reset() override {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(Enum** out) override { return Create(items_, position_, out); }

private:
    SnapshotEnum() = default;
    ~SnapshotEnum() {
        for (const Item& item : items_) EnumItemRelease(item);
    }

    ModuleLock keepLoaded_;
    LONG refs_ = 1;
    std::vector<Item> items_;
    size_t position_ = 0;
};

using ConnectionPointsEnum =
    SnapshotEnum<IEnumConnectionPoints, IConnectionPoint*, &IID_IEnumConnectionPoints>;
using ConnectionsEnum = SnapshotEnum<IEnumConnections, CONNECTDATA, &IID_IEnumConnections>;

}  // namespace velmor
