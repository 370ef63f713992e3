#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "platform/single_instance.h"

TEST(SingleInstance, ASecondClaimFailsAndAsksTheFirstToComeForward) {
    QTemporaryDir dir;
    platform::SingleInstance first(QStringLiteral("runemill-test"), dir.path());
    ASSERT_TRUE(first.claim());
    int requests = 0;
    QObject::connect(&first, &platform::SingleInstance::activationRequested, [&] { ++requests; });

    platform::SingleInstance second(QStringLiteral("runemill-test"), dir.path());
    EXPECT_FALSE(second.claim());
    QElapsedTimer t;
    t.start();
    while (requests == 0 && t.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(requests, 1);
}

TEST(SingleInstance, TheClaimIsFreeAgainWhenTheFirstEnds) {
    QTemporaryDir dir;
    {
        platform::SingleInstance first(QStringLiteral("runemill-test"), dir.path());
        ASSERT_TRUE(first.claim());
    }
    platform::SingleInstance again(QStringLiteral("runemill-test"), dir.path());
    EXPECT_TRUE(again.claim());
}

TEST(SingleInstance, ALockThatCannotBeMadeStillLetsTheProgramStart) {
    QTemporaryDir dir;
    // The folder for the lock is taken by a file, so no lock can be made there.
    const QString notAFolder = dir.filePath(QStringLiteral("file"));
    QFile f(notAFolder);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    platform::SingleInstance only(QStringLiteral("runemill-test"), notAFolder);
    EXPECT_TRUE(only.claim());
}
