#include "tests/app/model/AppModelFixture.h"

using namespace keldra;
using namespace keldra::test;

namespace {

class AppModelActivity : public AppModelFixture {};

} // namespace

TEST_F(AppModelActivity, FailuresAreReadFromTheIndexInOrderAndNoneWithoutOne) {
    {
        AppModel& m = start();
        EXPECT_TRUE(await(m.failures(1)).empty()) << "no account, no index";
        model.reset();
    }
    createAccount();
    AppModel& m = signedIn();
    ASSERT_TRUE(m.index());
    const std::int64_t run = m.index()->startRun("Manual", clock.now());
    m.index()->addFailure(run, "~/Documents/b.txt", "Permission denied");
    m.index()->addFailure(run, "~/Documents/a.txt", "File changed while reading");
    const std::vector<RunFailure> read = await(m.failures(run));
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].path, "~/Documents/b.txt") << "in the order recorded";
    EXPECT_EQ(read[1].reason, "File changed while reading");
    EXPECT_TRUE(await(m.failures(run + 1)).empty());
}

TEST_F(AppModelActivity, RevealingAPathThatIsGoneShowsItsNearestExistingFolder) {
    AppModel& m = start();
    std::filesystem::create_directories(temp / "kept");
    const struct {
        std::filesystem::path asked;
        std::filesystem::path shown;
    } cases[] = {
        {temp / "kept", temp / "kept"},
        {temp / "kept" / "gone" / "file.txt", temp / "kept"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asked.string());
        fileRevealer.revealed.clear();
        m.revealInFiles(c.asked);
        ASSERT_TRUE(runUntil([&] { return !fileRevealer.revealed.empty(); }));
        EXPECT_EQ(fileRevealer.revealed, std::vector<std::filesystem::path>{c.shown});
    }
}
