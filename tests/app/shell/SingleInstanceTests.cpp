#include "desktop/SingleInstance.h"
#include "tests/support/SessionBusTest.h"

#include <QDBusConnectionInterface>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace keldra {
namespace {

// Each launch is its own connection to the private session bus, as two processes would be. The name is this
// test process's own, so tests running side by side never meet.
class SingleInstanceTest : public test::SessionBusTest {
protected:
    static QDBusConnection launch(const QString& connectionName) {
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
    }

    const QString name_ = QStringLiteral("org.orlivane.keldra.test.p%1").arg(::getpid());
};

TEST_F(SingleInstanceTest, ASecondLaunchActivatesTheFirstAndReportsItHandled) {
    auto first = std::make_unique<SingleInstance>(launch(QStringLiteral("first")), name_);
    int activations = 0;
    QString token;
    QObject::connect(first.get(), &SingleInstance::activated, [&](const QString& given) {
        ++activations;
        token = given;
    });
    ASSERT_EQ(first->claim(), SingleInstance::Outcome::primary);
    EXPECT_TRUE(QDBusConnection::sessionBus().interface()->isServiceRegistered(name_).value());

    qputenv("XDG_ACTIVATION_TOKEN", "token-from-the-launcher");
    SingleInstance second(launch(QStringLiteral("second")), name_);
    EXPECT_EQ(second.claim(), SingleInstance::Outcome::handledByOther);
    qunsetenv("XDG_ACTIVATION_TOKEN");
    EXPECT_EQ(activations, 1) << "the running instance was asked to come forward";
    EXPECT_EQ(token, "token-from-the-launcher");

    // A start at login leaves without bringing the window up.
    SingleInstance atLogin(launch(QStringLiteral("at-login")), name_);
    EXPECT_EQ(atLogin.claim(false), SingleInstance::Outcome::handledByOther);
    EXPECT_EQ(activations, 1);

    // When the first instance ends, the name is free for the next launch.
    first.reset();
    SingleInstance next(launch(QStringLiteral("next")), name_);
    EXPECT_EQ(next.claim(), SingleInstance::Outcome::primary);
}

TEST_F(SingleInstanceTest, AnOwnerThatDoesNotAnswerAndNoBusAreToldApart) {
    // Something holds the name but serves no interface.
    auto squatter = launch(QStringLiteral("squatter"));
    ASSERT_EQ(squatter.interface()->registerService(name_).value(),
              QDBusConnectionInterface::ServiceRegistered);
    SingleInstance blocked(launch(QStringLiteral("blocked")), name_);
    EXPECT_EQ(blocked.claim(), SingleInstance::Outcome::otherNotAnswering);
    squatter.interface()->unregisterService(name_);

    SingleInstance alone(QDBusConnection(QStringLiteral("never-connected")), name_);
    EXPECT_EQ(alone.claim(), SingleInstance::Outcome::noBus);

    EXPECT_EQ(SingleInstance::objectPath(QString::fromLatin1(SingleInstance::applicationId)),
              "/org/orlivane/keldra");
}

} // namespace
} // namespace keldra
