#include "gui/ImageList.h"

#include "gui/Canvas.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <QStyleOption>

namespace gui {

int TImageList::Add(const QPixmap& pixmap) {
    images_.push_back(pixmap.size() == QSize(width_, height_)
                          ? pixmap
                          : pixmap.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return Count() - 1;
}

QPixmap TImageList::pixmap(int index) const {
    if (index < 0 || index >= Count())
        return QPixmap();
    return images_[static_cast<std::size_t>(index)];
}

void TImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) const {
    QPixmap picture = pixmap(index);
    if (picture.isNull())
        return;
    if (!enabled) {
        QStyleOption option;
        option.palette = QApplication::palette();
        picture = QApplication::style()->generatedIconPixmap(QIcon::Disabled, picture, &option);
    }
    canvas.Draw(x, y, picture);
}

} // namespace gui
