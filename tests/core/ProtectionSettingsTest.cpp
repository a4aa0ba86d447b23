#include "core/ProtectionSettings.h"

#include <gtest/gtest.h>

using namespace quorlane::core;

TEST(ProtectionSettings, StartWithTheDefaultsOfAFreshStart)
{
    const ProtectionSettings settings = DefaultSettings(2026, u"/opt/quorlane", u'/');
    for (int i = 0; i < scriptOptionCount; ++i) {
        EXPECT_FALSE(settings.scriptSwitches.has(static_cast<ScriptOption>(i))) << i;
    }
    EXPECT_EQ(settings.protectMode, ProtectMode::WholePage);
    EXPECT_EQ(settings.saveMode, SaveMode::CreateNew);
    EXPECT_TRUE(settings.makeBackups);
    EXPECT_FALSE(settings.domainLock || settings.urlLock || settings.passwordProtect ||
                 settings.rightClickWarning || settings.copyrightNotice);
    EXPECT_EQ(settings.rightClickWarningText, u"This page is protected!");
    EXPECT_EQ(settings.lockDomain, u"www.example.com");
    EXPECT_EQ(settings.lockUrl, u"http://www.example.com/index.html");
    EXPECT_TRUE(settings.password.empty());
    EXPECT_EQ(settings.saveDir, u"/opt/quorlane/backups");
    EXPECT_EQ(settings.copyrightNoticeText,
              u"\u00A9 2026-2027 www.example.com, All Rights Reserved.");
}
