// The show's timeline keys the caption board so that all eight pages are typed out in order
// and each stays on screen, whole, long enough to be read.
#include <gtest/gtest.h>

#include "support/show_timeline.h"

TEST(QuorelAnnouncerTimeline, EveryPageIsTypedOutAndStaysWhole)
{
    const gen::Timeline timeline = show_timeline::load();
    const show_timeline::Stretch stretch = show_timeline::stretch(timeline, "QuorelAnnouncer");
    ASSERT_LT(stretch.first, stretch.end);

    const int pages = 8;
    float whole_beats[pages] = {};
    int previous_page = 0;
    const float row = 1.0f / gen::ROWS_PER_BEAT;
    for (float beat : show_timeline::rows(stretch)) {
        const float announcement = show_timeline::value(timeline, "maAnnouncement", beat, 0.0f);
        ASSERT_GE(announcement, 0.0f);
        ASSERT_LT(announcement, static_cast<float>(pages));
        const int page = static_cast<int>(announcement);
        EXPECT_GE(page, previous_page) << "the pages go back at beat " << beat;
        EXPECT_LE(page, previous_page + 1) << "a page is skipped at beat " << beat;
        previous_page = page;
        const float progress = show_timeline::value(timeline, "maProgress", beat, 0.0f);
        const float fade = show_timeline::value(timeline, "maFade", beat, 1.0f);
        if (progress >= 1.0f && fade >= 1.0f) whole_beats[page] += row;
    }
    for (int page = 0; page < pages; ++page)
        EXPECT_GE(whole_beats[page], 2.0f) << "page " << page;
}
