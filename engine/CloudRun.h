#pragma once

#include "core/events/EngineEvent.h"
#include "core/events/LogLine.h"
#include "core/events/RunProgress.h"
#include "core/scan/Candidate.h"
#include "core/scan/ExclusionRules.h"
#include "core/scan/SourceScanner.h"
#include "core/scan/UncertainPaths.h"
#include "core/seams/CancelToken.h"
#include "engine/EngineServices.h"
#include "engine/FileUpload.h"
#include "engine/PreparedFile.h"
#include "engine/RunEnding.h"
#include "engine/RunRequest.h"
#include "restore/catalog/RemoteCatalog.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace keldra {

// One cloud run from its request to its result. Lives for one call of BackupEngine::run; all run-local state
// is here, touched only by the run's own thread (the upload progress goes to the meter, not here; the
// read-ahead thread reads the candidates and the catalog, which do not change while files upload).
class CloudRun {
public:
    CloudRun(const EngineServices& services, const RunRequest& request, const EngineEventHandler& onEvent,
             const CancelToken& cancel);

    // Never throws.
    RunResult execute();

private:
    // The steps, in run order. Each may throw EndRun or an error for the error mapping.
    void start();
    void checkVerifier();
    void fetchFirstStatus();
    std::vector<KeldraFile> listDeviceFolder();
    void guardKeldraMismatch();
    void reconcileWithListing();
    void scanSources();
    void scanSource(const BackupSource& source, const SourceScanner& scanner);
    void considerScannedFile(const std::string& absolutePath, const std::string& readFrom, std::int64_t size,
                             double mtime, const std::string& sourceID);
    std::vector<IndexedFile> markDeletions();
    void writeMissingMarks(const std::vector<IndexedFile>& removed);
    void uploadCandidates();
    void clean();
    void fetchFinalStatus();

    // One file of the upload loop; returns normally unless the run must end.
    void uploadOne(const Candidate& candidate, class FileBackup& backup,
                   std::optional<PreparedFile> prepared);
    void countFailure(const std::string& path, const std::string& reason);

    RunResult finish(const RunEnding& ending);

    void log(const std::string& text, LogLine::Tone tone);
    void emit(const EngineEvent& event);
    void emitProgress();
    void emitStatus();
    double now() const;

    const EngineServices& services_;
    const RunRequest& request_;
    const EngineEventHandler& onEvent_;
    CancelToken cancel_;

    RunRecord record_;
    RunProgress progress_;
    std::optional<KeldraStatus> status_;
    std::map<std::string, BackupSource::Availability> unavailableSources_;
    bool sealedNamesVerified_ = false;
    RemoteCatalog catalog_;
    std::unordered_set<std::string> seenPaths_;
    std::unordered_set<std::string> scannedSources_;
    std::vector<std::string> scannedSourceOrder_;
    UncertainPaths uncertain_;
    ExclusionRules rules_;
    std::vector<Candidate> candidates_;
    std::unordered_set<std::string> uploadedIDs_;
    std::int64_t connectionFailures_ = 0;
    int unrecordedCopies_ = 0;
    bool storageFullSent_ = false;
    // Files the current source's scan reported.
    std::int64_t sourceFileCount_ = 0;
    bool runStarted_ = false;
};

} // namespace keldra
