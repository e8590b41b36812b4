// Cost of the key's wrapper over plain OpenSSL: seal, open and keyed checksum at 4 KiB, 1 MiB and 64 MiB,
// each next to a raw EVP loop over the same buffers in the same run, then the ratios, plus the time of
// one passphrase derivation. Build in Release.
#include "core/crypto/KeldraKey.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/rand.h>
#include <string>
#include <vector>

using namespace keldra;

namespace {

const KeldraKey& benchKey() {
    static const KeldraKey key(SymmetricKey{1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16,
                                            17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32});
    return key;
}

const Bytes& plainOf(std::size_t size) {
    static std::map<std::size_t, Bytes> buffers;
    auto& buffer = buffers[size];
    if (buffer.size() != size) {
        buffer.resize(size);
        for (std::size_t i = 0; i < size; ++i) {
            buffer[i] = static_cast<std::uint8_t>(i * 131 + 7);
        }
    }
    return buffer;
}

const EVP_CIPHER* gcm() {
    static EVP_CIPHER* const cipher = EVP_CIPHER_fetch(nullptr, "AES-256-GCM", nullptr);
    return cipher;
}

// The baseline: the fewest EVP calls that seal with a fresh random nonce, as every seal must.
void rawSeal(const Bytes& plain, std::uint8_t* iv, std::uint8_t* out) {
    RAND_bytes(iv, 12);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int n = 0;
    EVP_EncryptInit_ex2(ctx, gcm(), benchKey().symmetricKey().data(), iv, nullptr);
    EVP_EncryptUpdate(ctx, out, &n, plain.data(), static_cast<int>(plain.size()));
    EVP_EncryptFinal_ex(ctx, out + n, &n);
    EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, 16, out + plain.size());
    EVP_CIPHER_CTX_free(ctx);
}

bool rawOpen(const Bytes& sealed, const std::uint8_t* iv, std::uint8_t* out) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    const int length = static_cast<int>(sealed.size() - 16);
    int n = 0;
    EVP_DecryptInit_ex2(ctx, gcm(), benchKey().symmetricKey().data(), iv, nullptr);
    EVP_DecryptUpdate(ctx, out, &n, sealed.data(), length);
    EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, 16, const_cast<std::uint8_t*>(sealed.data()) + length);
    const bool ok = EVP_DecryptFinal_ex(ctx, out + n, &n) == 1;
    EVP_CIPHER_CTX_free(ctx);
    return ok;
}

void rawHmac(const SymmetricKey& key, const Bytes& data, std::uint8_t* out) {
    static EVP_MAC* const mac = EVP_MAC_fetch(nullptr, OSSL_MAC_NAME_HMAC, nullptr);
    EVP_MAC_CTX* ctx = EVP_MAC_CTX_new(mac);
    char digest[] = "SHA256";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    std::size_t length = 0;
    EVP_MAC_init(ctx, key.data(), key.size(), params);
    EVP_MAC_update(ctx, data.data(), data.size());
    EVP_MAC_final(ctx, out, &length, 32);
    EVP_MAC_CTX_free(ctx);
}

void setBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_Seal(benchmark::State& state) {
    const Bytes& plain = plainOf(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        auto sealed = benchKey().seal(plain);
        benchmark::DoNotOptimize(sealed.second.data());
    }
    setBytes(state);
}

// Raw loops in two forms: into one output buffer reused by every call, and into a fresh uninitialised buffer
// per call, as any seal or open that hands back a new buffer must (on some machines fresh pages cost more
// than the cipher).
void BM_RawSeal(benchmark::State& state) {
    const Bytes& plain = plainOf(static_cast<std::size_t>(state.range(0)));
    Bytes out(plain.size() + 16);
    std::uint8_t iv[12];
    for (auto _ : state) {
        rawSeal(plain, iv, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    setBytes(state);
}

void BM_RawSealFresh(benchmark::State& state) {
    const Bytes& plain = plainOf(static_cast<std::size_t>(state.range(0)));
    std::uint8_t iv[12];
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[plain.size() + 16]);
        rawSeal(plain, iv, out.get());
        benchmark::DoNotOptimize(out.get());
    }
    setBytes(state);
}

void BM_Open(benchmark::State& state) {
    const auto [iv, sealed] = benchKey().seal(plainOf(static_cast<std::size_t>(state.range(0))));
    for (auto _ : state) {
        auto plain = benchKey().open(sealed, iv);
        benchmark::DoNotOptimize(plain.data());
    }
    setBytes(state);
}

void BM_RawOpen(benchmark::State& state) {
    const auto [iv, sealed] = benchKey().seal(plainOf(static_cast<std::size_t>(state.range(0))));
    Bytes out(sealed.size());
    for (auto _ : state) {
        if (!rawOpen(sealed, iv.data(), out.data())) {
            state.SkipWithError("raw open failed");
        }
        benchmark::DoNotOptimize(out.data());
    }
    setBytes(state);
}

void BM_RawOpenFresh(benchmark::State& state) {
    const auto [iv, sealed] = benchKey().seal(plainOf(static_cast<std::size_t>(state.range(0))));
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[sealed.size()]);
        if (!rawOpen(sealed, iv.data(), out.get())) {
            state.SkipWithError("raw open failed");
        }
        benchmark::DoNotOptimize(out.get());
    }
    setBytes(state);
}

void BM_Checksum(benchmark::State& state) {
    const Bytes& plain = plainOf(static_cast<std::size_t>(state.range(0)));
    const SymmetricKey checksumKey = benchKey().checksumKey();
    for (auto _ : state) {
        auto hex = keyedChecksumHex(checksumKey, plain.data(), plain.size());
        benchmark::DoNotOptimize(hex.data());
    }
    setBytes(state);
}

void BM_RawHmac(benchmark::State& state) {
    const Bytes& plain = plainOf(static_cast<std::size_t>(state.range(0)));
    const SymmetricKey checksumKey = benchKey().checksumKey();
    std::uint8_t out[32];
    for (auto _ : state) {
        rawHmac(checksumKey, plain, out);
        benchmark::DoNotOptimize(out);
    }
    setBytes(state);
}

void BM_Derive(benchmark::State& state) {
    for (auto _ : state) {
        auto key = KeldraKey::derive("correct horse battery staple");
        benchmark::DoNotOptimize(key.symmetricKey().data());
    }
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Arg(4 << 10)->Arg(1 << 20)->Arg(64 << 20)->Unit(benchmark::kMicrosecond);
    b->Repetitions(5)->ReportAggregatesOnly(true);
}

BENCHMARK(BM_Seal)->Apply(sizes);
BENCHMARK(BM_RawSeal)->Apply(sizes);
BENCHMARK(BM_RawSealFresh)->Apply(sizes);
BENCHMARK(BM_Open)->Apply(sizes);
BENCHMARK(BM_RawOpen)->Apply(sizes);
BENCHMARK(BM_RawOpenFresh)->Apply(sizes);
BENCHMARK(BM_Checksum)->Apply(sizes);
BENCHMARK(BM_RawHmac)->Apply(sizes);
BENCHMARK(BM_Derive)->Unit(benchmark::kMillisecond);

// Prints as usual and keeps each benchmark's median CPU time per iteration for the ratios (CPU time, so a
// busy machine preempting the run does not skew them).
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.repetitions <= 1) {
                times[key(run)] = run.GetAdjustedCPUTime();
            } else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                times[key(run)] = run.GetAdjustedCPUTime();
            }
        }
    }
    std::map<std::string, double> times;

private:
    // "BM_Seal/4096/repeats:5" -> "BM_Seal/4096"
    static std::string key(const Run& run) {
        std::string name = run.run_name.str();
        if (const auto at = name.find("/repeats:"); at != std::string::npos) {
            name.erase(at);
        }
        return name;
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nwrapper / raw OpenSSL (median CPU time; target <= 1.10)\n");
    const std::pair<const char*, const char*> pairs[] = {{"BM_Seal", "BM_RawSeal"},
                                                         {"BM_Seal", "BM_RawSealFresh"},
                                                         {"BM_Open", "BM_RawOpen"},
                                                         {"BM_Open", "BM_RawOpenFresh"},
                                                         {"BM_Checksum", "BM_RawHmac"}};
    const std::pair<const char*, const char*> sizeNames[] = {
        {"4096", "4 KiB"}, {"1048576", "1 MiB"}, {"67108864", "64 MiB"}};
    for (const auto& [ours, raw] : pairs) {
        for (const auto& [arg, label] : sizeNames) {
            const auto a = reporter.times.find(std::string(ours) + "/" + arg);
            const auto b = reporter.times.find(std::string(raw) + "/" + arg);
            if (a != reporter.times.end() && b != reporter.times.end() && b->second > 0) {
                std::printf("  %-9s vs %-16s %-7s %.3f\n", ours + 3, raw + 3, label, a->second / b->second);
            }
        }
    }
    if (const auto d = reporter.times.find("BM_Derive"); d != reporter.times.end()) {
        std::printf("key derivation (PBKDF2-HMAC-SHA256, 100000 rounds): %.1f ms\n", d->second);
    }
    benchmark::Shutdown();
    return 0;
}
