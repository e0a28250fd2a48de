// An image list: equally sized pictures addressed by index, drawn normally or greyed.
#pragma once

#include <QPixmap>
#include <vector>

namespace gui {

class TCanvas;

class TImageList {
public:
    explicit TImageList(int width = 16, int height = 16) : width_(width), height_(height) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return static_cast<int>(images_.size()); }

    // Adds a picture scaled to the list's size; returns its index.
    int Add(const QPixmap& pixmap);
    // The picture at index, or a null pixmap for an index outside the list.
    QPixmap pixmap(int index) const;
    // Draws picture `index` with its top left at (x, y); greyed when not enabled. Nothing for an
    // index outside the list.
    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true) const;

private:
    int width_;
    int height_;
    std::vector<QPixmap> images_;
};

} // namespace gui
