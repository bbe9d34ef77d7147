#pragma once

#include <QWidget>

class TPageImages;

// The legend under the result tree (Panel8): a white strip that shows the pictures
// of the picture cells with what each means.
class TResultLegend : public QWidget
{
    Q_OBJECT

public:
    static constexpr int StripHeight = 22;

    explicit TResultLegend(const TPageImages& images, QWidget* parent = nullptr);
};
