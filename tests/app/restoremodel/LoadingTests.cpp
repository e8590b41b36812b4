#include "tests/support/RestoreModelFixture.h"

namespace keldra::test {
namespace {

class RestoreLoading : public RestoreModelTest {};

std::vector<std::string> labels(const RestoreModel& model) {
    std::vector<std::string> out;
    for (const auto& option : model.sourceOptions()) {
        out.push_back(option.label);
    }
    return out;
}

TEST_F(RestoreLoading, LockedOrAlreadyListedLoadsChangeNothing) {
    writeHome("Documents/a.txt", "alpha");
    backUpToKeldra();
    int changes = 0;
    for (auto signal : {&RestoreModel::isLoadingChanged, &RestoreModel::sourceOptionsChanged,
                        &RestoreModel::catalogChanged, &RestoreModel::loadedAtChanged}) {
        QObject::connect(model_.get(), signal, [&changes] { ++changes; });
    }
    RestoreContext locked = context();
    locked.key.reset();
    wait(model_->load(locked, true));
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(model_->loadedAt());

    load(false);
    ASSERT_TRUE(model_->loadedAt());
    model_->setSelection(node("~/Documents/a.txt"));
    model_->setSelectedVersionID(FlexID("x"));
    changes = 0;
    const auto listings = portalRequests("files-all");
    load(false); // listed, with a source: nothing happens
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(portalRequests("files-all"), listings);
    EXPECT_TRUE(model_->selection());

    clock_.advance(Seconds(5));
    load(true); // forced: listed again, selection cleared
    EXPECT_EQ(portalRequests("files-all"), listings + 1);
    EXPECT_FALSE(model_->selection());
    EXPECT_FALSE(model_->selectedVersionID());
    EXPECT_EQ(model_->loadedAt(), clock_.now());
}

TEST_F(RestoreLoading, OnlyTheFirstRootFolderNamedExactlyBackupsCounts) {
    // A fresh account per layout: the root listing decides.
    struct Case {
        std::string name;
        std::function<void(KeldraAPI&)> arrange;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases{
        {"lower case",
         [](KeldraAPI& api) {
             const auto lower = api.createFolder("backups", std::nullopt).id;
             api.createFolder("Laptop", lower);
         },
         {}},
        {"with a parent",
         [](KeldraAPI& api) {
             const auto parent = api.createFolder("Archive", std::nullopt).id;
             const auto nested = api.createFolder("Backups", parent).id;
             api.createFolder("Laptop", nested);
         },
         {}},
        {"two of them",
         [](KeldraAPI& api) {
             const auto first = api.createFolder("Backups", std::nullopt).id;
             api.createFolder("Laptop", first);
             api.createFolder("Desktop", first);
             const auto second = api.createFolder("Backups", std::nullopt).id;
             api.createFolder("Server", second);
         },
         {"Keldra \u203A Laptop", "Keldra \u203A Desktop"}},
    };
    for (const auto& c : cases) {
        const std::string email = "layout-" + std::to_string(&c - cases.data()) + "@example.com";
        const auto account = control().createAccount({{"email", email}});
        auto api = std::make_shared<KeldraAPI>(clock_, sleeper_, baseUrl());
        api->setToken(account.at("token").get<std::string>());
        c.arrange(*api);
        RestoreModel model(workers_, chooser_, revealer_);
        RestoreContext separate = context();
        separate.api = api;
        separate.destinations.clear();
        wait(model.load(separate, true));
        EXPECT_EQ(labels(model), c.expected) << c.name;
        EXPECT_FALSE(model.loadError()) << c.name;
    }
}

TEST_F(RestoreLoading, PortalDownWithAndWithoutADrive) {
    writeHome("Documents/a.txt", "alpha");
    backUpToDrive();
    RestoreContext down = context();
    down.api = std::make_shared<KeldraAPI>(clock_, sleeper_, "http://127.0.0.1:9");
    down.api->setToken("token");

    down.destinations.clear();
    wait(model_->load(down, true));
    EXPECT_TRUE(model_->sourceOptions().empty());
    EXPECT_FALSE(model_->source());
    EXPECT_TRUE(model_->catalog().byPath.empty());
    EXPECT_TRUE(model_->tree().empty());
    ASSERT_TRUE(model_->loadError());
    EXPECT_FALSE(model_->loadError()->empty());
    EXPECT_TRUE(model_->loadedAt());
    EXPECT_FALSE(model_->isLoading());

    down.destinations = {studio_};
    wait(model_->load(down, true));
    EXPECT_EQ(labels(*model_), (std::vector<std::string>{"Studio \u203A Mac mini"}));
    EXPECT_EQ(model_->source(), RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    EXPECT_FALSE(model_->loadError());
    EXPECT_EQ(model_->driveDeviceDir(), driveDevice());
    EXPECT_TRUE(node("~/Documents/a.txt"));
}

TEST_F(RestoreLoading, PrefersThisComputerThenKeepsTheBrowsedSource) {
    const FlexID other = api_->createFolder("Other computer", backupsFolder_).id;
    writeHome("Documents/a.txt", "alpha");
    backUpToKeldra();
    backUpToDrive();
    studio_.enabled = false; // a disabled but connected drive is still offered
    load();
    EXPECT_EQ(labels(*model_),
              (std::vector<std::string>{"Keldra \u203A This computer", "Keldra \u203A Other computer",
                                        "Studio \u203A Mac mini"}));
    EXPECT_EQ(model_->source(), RestoreSource::keldra(deviceFolder_));
    EXPECT_EQ(model_->listedSource(), RestoreSource::keldra(deviceFolder_));
    EXPECT_FALSE(model_->driveDeviceDir());

    model_->setSource(RestoreSource::keldra(other));
    load();
    EXPECT_EQ(model_->source(), RestoreSource::keldra(other));
    EXPECT_TRUE(model_->tree().empty());

    model_->setSource(RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    load();
    EXPECT_EQ(model_->source(), RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    EXPECT_EQ(model_->driveDeviceDir(), driveDevice());
    EXPECT_TRUE(node("~/Documents/a.txt"));

    // The browsed source gone: this computer's folder again.
    model_->setSource(RestoreSource::drive("DEST-STUDIO", "gone"));
    load();
    EXPECT_EQ(model_->source(), RestoreSource::keldra(deviceFolder_));
}

TEST_F(RestoreLoading, FailedListingsKeepTheEarlierOne) {
    writeHome("Documents/a.txt", "alpha");
    backUpToKeldra();
    load();
    const auto tree = model_->tree();
    const auto loadedAt = model_->loadedAt();
    model_->setSelection(node("~/Documents/a.txt"));

    control().addFault({{"endpoint", "files-all"}, {"status", 500}, {"count", 1}});
    clock_.advance(Seconds(5));
    load();
    ASSERT_TRUE(model_->loadError());
    EXPECT_EQ(model_->tree(), tree);
    EXPECT_EQ(model_->loadedAt(), loadedAt);
    EXPECT_TRUE(model_->selection());
    EXPECT_FALSE(model_->isLoading());
    EXPECT_EQ(model_->catalog().byPath.size(), 1u);

    // The browsed drive unplugged: no longer offered, so this computer's folder is browsed again.
    backUpToDrive();
    model_->setSource(RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    load();
    ASSERT_EQ(model_->listedSource(), RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    volumes_->unmountAll();
    load();
    EXPECT_FALSE(model_->loadError());
    EXPECT_EQ(model_->source(), RestoreSource::keldra(deviceFolder_));
    EXPECT_EQ(model_->listedSource(), RestoreSource::keldra(deviceFolder_));
    EXPECT_FALSE(model_->driveDeviceDir());
}

TEST_F(RestoreLoading, ASameTopLevelReloadStillAnnouncesTheListing) {
    writeHome("Documents/a.txt", "alpha");
    backUpToKeldra();
    load();
    const SignalCount tree(model_.get(), &RestoreModel::treeChanged);
    const SignalCount catalog(model_.get(), &RestoreModel::catalogChanged);
    const SignalCount completed(model_.get(), &RestoreModel::listingCompleted);
    load();
    EXPECT_EQ(tree.count(), 0);
    EXPECT_EQ(catalog.count(), 1);
    EXPECT_EQ(completed.count(), 1);
}

TEST_F(RestoreLoading, ALaterLoadWinsOverAnEarlierSlowOne) {
    writeHome("Documents/a.txt", "alpha");
    backUpToKeldra();
    writeHome("Documents/b.txt", "beta");
    backUpToDrive();
    load();
    ASSERT_EQ(model_->listedSource(), RestoreSource::keldra(deviceFolder_));

    control().addFault({{"endpoint", "files-all"}, {"latency_ms", 1500}, {"count", 1}});
    const SignalCount loading(model_.get(), &RestoreModel::isLoadingChanged);
    auto slow = model_->load(context(), true);
    model_->setSource(RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    wait(model_->load(context(), true));
    EXPECT_EQ(model_->listedSource(), RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    EXPECT_FALSE(model_->isLoading());
    wait(std::move(slow));
    drain();
    EXPECT_EQ(model_->source(), RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    EXPECT_EQ(model_->listedSource(), RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    EXPECT_EQ(model_->driveDeviceDir(), driveDevice());
    EXPECT_TRUE(node("~/Documents/b.txt"));
    EXPECT_FALSE(model_->isLoading());
    EXPECT_EQ(loading.count(), 2); // on once, off once
}

TEST_F(RestoreLoading, BrowsingADriveWritesNothingOnIt) {
    // A destination whose backup folder does not exist yet is not offered, and stays untouched.
    fs::create_directories(driveMount() / "empty-place");
    LocalDestination bare = studio_;
    bare.id = "DEST-BARE";
    bare.folderInVolume = "empty-place";
    RestoreContext withBare = context();
    withBare.destinations = {bare};
    wait(model_->load(withBare, true));
    EXPECT_EQ(labels(*model_), (std::vector<std::string>{"Keldra \u203A This computer"}));
    EXPECT_FALSE(fs::exists(driveMount() / "empty-place" / "Orlivane Keldra Backup"));
}

TEST_F(RestoreLoading, SearchFollowsTheQueryAndTheListing) {
    writeHome("Documents/Report 10.txt", "r10");
    writeHome("Documents/report 2.txt", "r2");
    writeHome("Documents/notes.txt", "n");
    backUpToKeldra();
    load();
    model_->setQuery(" RE ");
    const auto& first = model_->filteredTree();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0]->id, "~/Documents/report 2.txt");
    EXPECT_EQ(first[1]->id, "~/Documents/Report 10.txt");
    EXPECT_EQ(&model_->filteredTree(), &first); // the same result until something changes
    EXPECT_EQ(model_->filteredTree()[0].get(), first[0].get());
    model_->setQuery("n");
    EXPECT_TRUE(model_->filteredTree().empty());
    model_->setQuery("notes");
    EXPECT_EQ(model_->filteredTree().size(), 1u);
}

} // namespace
} // namespace keldra::test
