// The layout's rule on its own, at sizes and texture sizes the window tests do not try: what
// never happens (overlaps, controls outside the window, pictures that are not square or larger
// than their textures). Where the room goes is seen through the window, in MainWindowTest.
#include "app/Layout.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace quillon;

namespace {

// The controls that must not overlap one another (labels reach into the control below them by
// design, so they are left out), by name.
std::vector<std::pair<std::string, QRect>> Solid(const ControlPlaces& p) {
    QRect setSelector = p.SetSelector, typeSelector = p.TypeSelector;
    setSelector.setHeight(22); // a selector's own height; the rest is its drop-down list
    typeSelector.setHeight(22);
    return {{"set", setSelector},
            {"type", typeSelector},
            {"destinations", p.DestinationList},
            {"source tree", p.SourceTree.adjusted(0, 0, 0, -6)}, // the option's top lies under it
            {"option", p.UseInstalledCheck},
            {"library", p.LibraryTree},
            {"source picture", p.SourcePicture},
            {"mod picture", p.ModPicture},
            {"final picture", p.FinalPicture},
            {"preview", p.PreviewButton},
            {"blend", p.BlendButton},
            {"status", p.StatusBar}};
}

} // namespace

TEST(Layout, AtEverySizeNothingOverlapsOrLeavesTheWindow) {
    const QSize sizes[] = {{714, 612},   {614, 612},  {300, 200}, {1200, 850},
                           {2560, 1400}, {714, 2000}, {3000, 612}};
    for (const QSize size : sizes) {
        for (const int limit : {0, 66, 258, 1026, 8194}) {
            SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()) +
                         " limit " + std::to_string(limit));
            const ControlPlaces p = PlaceControls(size, limit);
            const QRect window(QPoint(0, 0), size.expandedTo(MinimumClientSize()));
            const auto solid = Solid(p);
            for (std::size_t i = 0; i < solid.size(); ++i) {
                EXPECT_TRUE(window.contains(solid[i].second)) << solid[i].first;
                for (std::size_t j = i + 1; j < solid.size(); ++j) {
                    EXPECT_FALSE(solid[i].second.intersects(solid[j].second))
                        << solid[i].first << " and " << solid[j].first;
                }
            }
            for (const QRect& picture : {p.SourcePicture, p.ModPicture, p.FinalPicture}) {
                EXPECT_EQ(picture.width(), picture.height());
                EXPECT_EQ(picture.size(), p.SourcePicture.size());
                EXPECT_GE(picture.width(), DefaultPictureEdge);
                EXPECT_LE(picture.width(), std::max(limit, DefaultPictureEdge));
            }
            EXPECT_GE(p.LibraryTree.width(), 200);
            // A caption too wide for any room still never covers the library tree.
            const QRect caption = FitCaption(p.FinalCaption, 100000, window.width(), p.LibraryTree);
            EXPECT_FALSE(caption.intersects(p.LibraryTree));
            EXPECT_GE(caption.left(), p.LibraryTree.right());
        }
    }
}

TEST(Layout, ACaptionMovesLeftOnlyAsFarAsItsTextNeeds) {
    const ControlPlaces p = DefaultPlaces;
    const int room = DefaultClientWidth - p.FinalCaption.left(); // to the window's edge
    auto left = [&](int text) {
        return FitCaption(p.FinalCaption, text, DefaultClientWidth, p.LibraryTree).left();
    };
    EXPECT_EQ(left(room), p.FinalCaption.left());
    EXPECT_EQ(left(room + 7), p.FinalCaption.left() - 7);
    EXPECT_EQ(left(room + 1000), p.LibraryTree.right() + 1 + 4); // the gutter, less a small gap
}
