// 7-Zip's headers want their common header first, and its interfaces' identifiers defined in
// exactly one file of the program: this one.
#include <Common/Common.h>
#include <Common/MyInitGuid.h>
#include <7zip/Compress/DeflateDecoder.h>

#include "zip/read/deflate64_inflater.h"

#include <new>

#include <zlib.h>

namespace velmor::zip {

namespace {

// The decoder's input: the entry's data, read through the entry stream for the call at hand.
// A failure of that read is kept, and the decoder told only that reading failed.
class PulledInput final : public ISequentialInStream, public CMyUnknownImp {
    Z7_COM_UNKNOWN_IMP_0
    Z7_IFACE_COM7_IMP(ISequentialInStream)

public:
    InflaterInput* input = nullptr;
    int32_t failure = 0;
    bool ended = false;  // the entry's data have all been handed over
};

Z7_COM7F_IMF(PulledInput::Read(void* data, UInt32 size, UInt32* processedSize)) {
    if (processedSize) *processedSize = 0;
    if (failure != 0) return E_FAIL;
    const int32_t got = input->ReadInput(static_cast<uint8_t*>(data), size);
    if (got < 0) {
        failure = got;
        return E_FAIL;
    }
    ended = got == 0;
    if (processedSize) *processedSize = static_cast<UInt32>(got);
    return S_OK;
}

class Deflate64Inflater : public EntryInflater {
public:
    bool Init(uint64_t uncompressedSize) {
        using NCompress::NDeflate::NDecoder::CCOMCoder64;
        coder_ = new (std::nothrow) CCOMCoder64;
        if (!coder_) return false;
        coderRef_ = static_cast<ICompressCoder*>(coder_);
        input_ = new (std::nothrow) PulledInput;
        if (!input_) return false;
        inputRef_ = static_cast<ISequentialInStream*>(input_);
        // The recorded size bounds the output; data past it are not the decoder's concern.
        const UInt64 size = uncompressedSize;
        ICompressSetOutStreamSize* sized = coder_;
        ICompressSetInStream* fed = coder_;
        return sized->SetOutStreamSize(&size) == S_OK && fed->SetInStream(input_) == S_OK;
    }

    bool PullsInput() const override { return true; }

    int32_t Pull(InflaterInput& input, uint8_t* out, uint32_t outCapacity,
                 uint32_t* produced) override {
        *produced = 0;
        input_->input = &input;
        UInt32 made = 0;
        ISequentialInStream* reader = coder_;
        const HRESULT result = reader->Read(out, outCapacity, &made);
        input_->input = nullptr;
        *produced = made;
        if (input_->failure != 0) return input_->failure;
        if (result == E_OUTOFMEMORY) return static_cast<int32_t>(ReaderCode::NoMemory);
        if (result != S_OK) {
            // The decoder reads past the end of input as bytes it then rejects.
            return input_->ended ? static_cast<int32_t>(ReaderCode::DataTruncated) : Z_DATA_ERROR;
        }
        if (made == 0 && coder_->IsFinished()) return kInflateEnd;
        return kInflateMore;
    }

    int32_t Inflate(const uint8_t*, uint32_t, uint8_t*, uint32_t, uint32_t*, uint32_t*) override {
        return Z_STREAM_ERROR;  // fed through Pull only
    }

private:
    // Both are counted references, which the two Ref members hold.
    NCompress::NDeflate::NDecoder::CCOMCoder64* coder_ = nullptr;
    CMyComPtr<ICompressCoder> coderRef_;
    PulledInput* input_ = nullptr;
    CMyComPtr<ISequentialInStream> inputRef_;
};

}  // namespace

std::unique_ptr<EntryInflater> MakeDeflate64Inflater(const InflaterSettings& settings) {
    std::unique_ptr<Deflate64Inflater> inflater(new (std::nothrow) Deflate64Inflater);
    if (!inflater || !inflater->Init(settings.uncompressedSize)) return nullptr;
    return inflater;
}

}  // namespace velmor::zip
