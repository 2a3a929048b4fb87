// What keeps the library loaded: objects, class-object references and LockServer; the class
// object cache; creation and aggregation rules at the entry points.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "VelmorCOM_h.h"
#include "com_test_util.h"
#include "library_loader.h"

using velmor::ComPtr;
using velmor::test::ComApartment;
using velmor::test::LoadedLibrary;

namespace {

const CLSID* const kClasses[] = {&CLSID_OrvZip, &CLSID_OrvFtp, &CLSID_OrvCrypto, &CLSID_OrvServer,
                                 &CLSID_OrvGps};

class LifetimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(lib_.loaded());
        ASSERT_EQ(S_OK, lib_.canUnloadNow());
    }
    ComPtr<IClassFactory> Factory(REFCLSID clsid) {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(S_OK, lib_.getClassObject(clsid, IID_IClassFactory, factory.receiveVoid()));
        return factory;
    }
    ComApartment apartment_;
    LoadedLibrary lib_;
};

TEST_F(LifetimeTest, ObjectsClassObjectReferencesAndServerLocksKeepTheLibraryLoaded) {
    ComPtr<IClassFactory> factory = Factory(CLSID_OrvGps);
    ASSERT_TRUE(factory);
    EXPECT_EQ(S_FALSE, lib_.canUnloadNow()) << "a client holds the class object";
    ComPtr<IOrvGps> gps;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IOrvGps, gps.receiveVoid()));
    factory.reset();
    EXPECT_EQ(S_FALSE, lib_.canUnloadNow()) << "an object is alive";
    ComPtr<IDispatch> second;
    ASSERT_EQ(S_OK, gps->QueryInterface(IID_IDispatch, second.receiveVoid()));
    gps.reset();
    EXPECT_EQ(S_FALSE, lib_.canUnloadNow());
    second.reset();
    EXPECT_EQ(S_OK, lib_.canUnloadNow()) << "only the cache's reference remains";

    factory = Factory(CLSID_OrvZip);
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    factory.reset();
    EXPECT_EQ(S_FALSE, lib_.canUnloadNow());
    factory = Factory(CLSID_OrvZip);
    factory->LockServer(FALSE);
    factory->LockServer(FALSE);
    factory.reset();
    EXPECT_EQ(S_OK, lib_.canUnloadNow());
}

TEST_F(LifetimeTest, ClassObjectsAreCachedPerClass) {
    for (const CLSID* clsid : kClasses) {
        ComPtr<IUnknown> a, b;
        ASSERT_EQ(S_OK, lib_.getClassObject(*clsid, IID_IUnknown, a.receiveVoid()));
        ASSERT_EQ(S_OK, lib_.getClassObject(*clsid, IID_IClassFactory, b.receiveVoid()));
        ComPtr<IUnknown> bAsUnknown;
        ASSERT_EQ(S_OK, b->QueryInterface(IID_IUnknown, bAsUnknown.receiveVoid()));
        EXPECT_EQ(a.get(), bAsUnknown.get());
        ComPtr<IUnknown> none;
        EXPECT_EQ(E_NOINTERFACE, a->QueryInterface(IID_IDispatch, none.receiveVoid()));
    }
    ComPtr<IUnknown> zip, gps;
    lib_.getClassObject(CLSID_OrvZip, IID_IUnknown, zip.receiveVoid());
    lib_.getClassObject(CLSID_OrvGps, IID_IUnknown, gps.receiveVoid());
    EXPECT_NE(zip.get(), gps.get());
}

TEST_F(LifetimeTest, EntryPointsAndFactoryRefuseBadRequests) {
    EXPECT_EQ(E_POINTER, lib_.getClassObject(CLSID_OrvZip, IID_IClassFactory, nullptr));
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, lib_.getClassObject(IID_IOrvZip, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_NOINTERFACE, lib_.getClassObject(CLSID_OrvZip, IID_IDispatch, &out));

    ComPtr<IClassFactory> factory = Factory(CLSID_OrvCrypto);
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IUnknown, nullptr));
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    factory.reset();
    EXPECT_EQ(S_OK, lib_.canUnloadNow()) << "a refused object is destroyed at once";
}

// A minimal controlling object that counts its own references.
class Outer : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        return inner_ ? inner_->QueryInterface(iid, out) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    ULONG refs = 1;
    IUnknown* inner_ = nullptr;
};

TEST_F(LifetimeTest, AggregationGivesAWorkingInnerUnknownAndRefusesOtherInterfaces) {
    ComPtr<IClassFactory> factory = Factory(CLSID_OrvGps);
    Outer outer;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_IOrvGps, &out));
    factory.reset();
    EXPECT_EQ(S_OK, lib_.canUnloadNow()) << "refused aggregation creates nothing";

    factory = Factory(CLSID_OrvGps);
    IUnknown* inner = nullptr;
    ASSERT_EQ(S_OK,
              factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)));
    factory.reset();
    outer.inner_ = inner;
    EXPECT_EQ(S_FALSE, lib_.canUnloadNow());

    IOrvGps* gps = nullptr;
    ASSERT_EQ(S_OK, outer.QueryInterface(IID_IOrvGps, reinterpret_cast<void**>(&gps)));
    EXPECT_EQ(2u, outer.refs) << "the aggregated interface counts on the controlling object";
    double metres = 0;
    EXPECT_EQ(S_OK, gps->Distance(0, 0, 0, 18000.0, &metres));
    EXPECT_EQ(12800000.0, metres);
    IUnknown* viaGps = nullptr;
    ASSERT_EQ(S_OK, gps->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaGps)));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), viaGps) << "identity is the controlling object's";
    viaGps->Release();
    gps->Release();
    EXPECT_EQ(1u, outer.refs);

    IUnknown* innerAgain = nullptr;
    ASSERT_EQ(S_OK, inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&innerAgain)));
    EXPECT_EQ(inner, innerAgain);
    innerAgain->Release();
    outer.inner_ = nullptr;
    EXPECT_EQ(0u, inner->Release());
    EXPECT_EQ(S_OK, lib_.canUnloadNow());
}

TEST_F(LifetimeTest, ThousandsOfObjectsAndReferencesReleasedInMixedOrderLeaveNothingLocked) {
    std::vector<IUnknown*> held;
    std::mt19937 random(1234);
    for (int i = 0; i < 3000; ++i) {
        const CLSID& clsid = *kClasses[random() % 5];
        if (random() % 3 == 0) {
            IClassFactory* factory = nullptr;
            ASSERT_EQ(S_OK, lib_.getClassObject(clsid, IID_IClassFactory,
                                                reinterpret_cast<void**>(&factory)));
            held.push_back(factory);
            if (random() % 2) factory->LockServer(TRUE), factory->LockServer(FALSE);
        } else {
            ComPtr<IClassFactory> factory = Factory(clsid);
            IUnknown* object = nullptr;
            ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown,
                                                    reinterpret_cast<void**>(&object)));
            held.push_back(object);
            if (random() % 2) {
                IDispatch* extra = nullptr;
                object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&extra));
                held.push_back(extra);
            }
        }
        if (random() % 4 == 0 && !held.empty()) {
            const size_t at = random() % held.size();
            held[at]->Release();
            held.erase(held.begin() + static_cast<long>(at));
        }
    }
    EXPECT_EQ(S_FALSE, lib_.canUnloadNow());
    std::shuffle(held.begin(), held.end(), random);
    for (IUnknown* p : held) p->Release();
    EXPECT_EQ(S_OK, lib_.canUnloadNow());
}

}  // namespace
