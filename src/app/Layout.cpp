#include "app/Layout.h"

#include <algorithm>
#include <utility>

namespace quillon {

namespace {

constexpr int NarrowestLibraryTree = 200;
constexpr int PictureCount = 3; // stacked in one column with the two buttons below them
constexpr int CaptionGap = 4;   // kept clear between the library tree and a caption moved left

} // namespace

QSize MinimumClientSize() {
    return {DefaultClientWidth - (DefaultPlaces.LibraryTree.width() - NarrowestLibraryTree),
            DefaultClientHeight};
}

int PictureRoom(QSize size) {
    const int extraWidth = std::max(size.width() - DefaultClientWidth, 0);
    const int extraHeight = std::max(size.height() - DefaultClientHeight, 0);
    return DefaultPictureEdge + std::min(extraWidth, extraHeight / PictureCount);
}

ControlPlaces PlaceControls(QSize size, int pictureLimit) {
    size = size.expandedTo(MinimumClientSize());
    const int extraWidth = size.width() - DefaultClientWidth; // below 0 down to the minimum
    const int extraHeight = size.height() - DefaultClientHeight;
    const int edge = std::clamp(pictureLimit, DefaultPictureEdge,
                                std::max(PictureRoom(size), DefaultPictureEdge));
    const int grown = edge - DefaultPictureEdge;
    const int shift = extraWidth - grown; // the pictures' column moves right by this much

    ControlPlaces places = DefaultPlaces;
    // The left column: the destination list and the source tree share the extra height; the
    // option below them stays at the bottom.
    const int listGrowth = extraHeight / 2;
    places.DestinationList.setHeight(places.DestinationList.height() + listGrowth);
    places.SourceLabel.translate(0, listGrowth);
    places.SourceTree.translate(0, listGrowth);
    places.SourceTree.setHeight(places.SourceTree.height() + extraHeight - listGrowth);
    places.UseInstalledCheck.translate(0, extraHeight);
    // The library tree takes the full extra height and the width the pictures leave.
    places.LibraryTree.setSize(places.LibraryTree.size() + QSize(shift, extraHeight));
    // The pictures' column: whatever lies below a picture moves down by its growth.
    const std::pair<QRect*, int> column[] = {{&places.SourceCaption, 0}, {&places.SourcePicture, 0},
                                             {&places.ModCaption, 1},    {&places.ModPicture, 1},
                                             {&places.FinalCaption, 2},  {&places.FinalPicture, 2},
                                             {&places.PreviewButton, 3}, {&places.BlendButton, 3}};
    for (const auto& [place, picturesAbove] : column) {
        place->translate(shift, grown * picturesAbove);
    }
    for (QRect* picture : {&places.SourcePicture, &places.ModPicture, &places.FinalPicture}) {
        picture->setSize({edge, edge});
    }
    for (QRect* button : {&places.PreviewButton, &places.BlendButton}) {
        button->setWidth(edge);
    }
    for (QRect* caption : {&places.SourceCaption, &places.ModCaption, &places.FinalCaption}) {
        caption->setWidth(std::max(caption->width(), edge));
    }
    places.StatusBar = QRect(0, size.height() - places.StatusBar.height(), size.width(),
                             places.StatusBar.height());
    return places;
}

QRect FitCaption(QRect caption, int textWidth, int clientWidth, const QRect& libraryTree) {
    const int room = clientWidth - caption.left();
    const int leftmost = libraryTree.left() + libraryTree.width() + CaptionGap;
    const int move = std::clamp(textWidth - room, 0, std::max(caption.left() - leftmost, 0));
    caption.translate(-move, 0);
    return caption;
}

} // namespace quillon
