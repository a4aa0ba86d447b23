#include "core/ProtectionSettings.h"

#include <gtest/gtest.h>

using namespace quorlane::core;

// What a fresh start takes from the year and the program's folder.
TEST(ProtectionSettings, DefaultsFollowTheYearAndTheProgramFolder)
{
    const ProtectionSettings settings = DefaultSettings(2026, u"/opt/quorlane", u'/');
    EXPECT_EQ(settings.saveDir, u"/opt/quorlane/backups");
    EXPECT_EQ(settings.copyrightNoticeText,
              u"\u00A9 2026-2027 www.example.com, All Rights Reserved.");
    ProtectionSettings plain;
    plain.saveDir = settings.saveDir;
    plain.copyrightNoticeText = settings.copyrightNoticeText;
    EXPECT_EQ(settings, plain);
}
