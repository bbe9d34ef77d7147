#include "SkinTestHelpers.h"

#include "ui/skin/ImageEx.h"
#include "ui/skin/SkinResourceUnit.h"

#include <QImageReader>
#include <QMovie>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

namespace {

// Mean difference per channel of two pictures of one size, 0 to 255.
double MeanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row);
            const QRgb q = y.pixel(column, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * x.width() * x.height());
}

QImage OnWhite(const QImage& picture)
{
    QImage flat(picture.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, picture);
    return flat;
}

int CoveredPixels(const QImage& image)
{
    int covered = 0;
    for (int row = 0; row < image.height(); ++row) {
        for (int column = 0; column < image.width(); ++column) {
            if (qAlpha(image.pixel(column, row)) > 16)
                ++covered;
        }
    }
    return covered;
}

struct Picture
{
    const char* name;
    int width;  // 0: any width (the picture is stretched sideways)
    int height; // 0: any height (stretched downwards)
};

// Every JPG picture that a window of Brenvale loads by name.
const Picture AllPictures[] = {
    // Main window: menu and window buttons, job tabs, header, frames, bottom bar.
    {"jobbutton1", 75, 35},
    {"jobbutton2", 75, 35},
    {"actionbutton1", 77, 35},
    {"actionbutton2", 77, 35},
    {"viewbutton1", 69, 35},
    {"viewbutton2", 69, 35},
    {"toolsbutton1", 70, 35},
    {"toolsbutton2", 70, 35},
    {"HelpButton1", 83, 35},
    {"HelpButton2", 83, 35},
    {"MinBtn1", 22, 17},
    {"MinBtn2", 22, 17},
    {"BigBtn1", 22, 17},
    {"BigBtn2", 22, 17},
    {"CloseBtn1", 22, 17},
    {"CloseBtn2", 22, 17},
    {"bt_addtask1", 40, 28},
    {"bt_addtask2", 40, 28},
    {"moveLeftButton1", 5, 10},
    {"moveLeftButton2", 5, 10},
    {"MoveRightButton1", 5, 10},
    {"MoveRightButton2", 5, 10},
    {"ieb1", 126, 28},
    {"ieb2", 126, 28},
    {"imgHeader", 436, 111},
    {"HeaderMiddle", 0, 111},
    {"HeaderRight", 23, 111},
    {"TabRow", 0, 28},
    {"TabRowRight", 23, 28},
    {"FrameLeft", 10, 0},
    {"FrameRight", 19, 0},
    {"BottomLeft", 23, 24},
    {"BottomMiddle", 0, 24},
    {"BottomRight", 23, 24},
    // Dialogs: close pictures, OK, Cancel, Apply.
    {"SMCLoseBtn1", 22, 17},
    {"SMCLoseBtn2", 22, 17},
    {"OSMCLoseBtn1", 22, 17},
    {"OSMCLoseBtn2", 22, 17},
    {"Ok1", 66, 25},
    {"Ok2", 66, 25},
    {"Cancel1", 66, 25},
    {"Cancel2", 66, 25},
    {"apply1", 66, 25},
    {"apply2", 66, 25},
    // Folder chooser, options dialog.
    {"MakeFolderButton1", 138, 25},
    {"MakeFolderButton2", 138, 25},
    {"CheckUpdateBtn1", 84, 25},
    {"CheckUpdateBtn2", 84, 25},
    {"AddScheduleBtn1", 66, 25},
    {"AddScheduleBtn2", 66, 25},
    {"RemoveScheduleBtn1", 66, 25},
    {"RemoveScheduleBtn2", 66, 25},
    {"ClearAllBtn1", 66, 25},
    {"ClearAllBtn2", 66, 25},
    // Comparison page: Browse, the three actions with their disabled looks, folder fields.
    {"Browse1", 66, 25},
    {"Browse2", 66, 25},
    {"BitBtn_Analyze1", 95, 35},
    {"BitBtn_Analyze2", 95, 35},
    {"BitBtn_Analyze0", 95, 35},
    {"BitBtn_Sync1", 95, 35},
    {"BitBtn_Sync2", 95, 35},
    {"BitBtn_Sync0", 95, 35},
    {"BitBtn_cancel1", 95, 35},
    {"BitBtn_cancel2", 95, 35},
    {"BitBtn_cancel0", 95, 35},
    {"FolderBox", 279, 30},
    // Window backgrounds, splash and about pictures.
    {"Splash", 450, 250},
    {"About", 490, 349},
    {"ChooseRoForm", 640, 440},
    {"CreatTaskForm", 570, 550},
    {"ScheduleManagerForm", 488, 333},
    {"OptionFrm", 500, 385},
};

const QRegularExpression MissingReport(QStringLiteral("NoSuchPicture.*does not exist"));

} // namespace

class TestSkinResources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyPictureIsAJpegOfItsControlsSize_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        for (const Picture& p : AllPictures)
            QTest::newRow(p.name) << QString::fromLatin1(p.name) << p.width << p.height;
    }

    void everyPictureIsAJpegOfItsControlsSize()
    {
        QFETCH(QString, name);
        QFETCH(int, width);
        QFETCH(int, height);
        const QString path = FindSkinResource(name, QStringLiteral("JPG"));
        QVERIFY2(!path.isEmpty(), qPrintable(name));
        QCOMPARE(QImageReader(path).format(), QByteArray("jpeg"));

        TImageEx image;
        QVERIFY(LoadJpgResource(&image, name));
        const QSize size = image.Picture().size();
        if (width > 0)
            QCOMPARE(size.width(), width);
        if (height > 0)
            QCOMPARE(size.height(), height);
    }

    void hoverPicturesDifferVisibly_data()
    {
        QTest::addColumn<QString>("base");
        for (const char* base : SkinHoverPairs)
            QTest::newRow(base) << QString::fromLatin1(base);
    }

    void hoverPicturesDifferVisibly()
    {
        QFETCH(QString, base);
        const QImage normal = LoadJpgPicture(base + QLatin1Char('1')).toImage();
        const QImage hovered = LoadJpgPicture(base + QLatin1Char('2')).toImage();
        QCOMPARE(normal.size(), hovered.size());
        // Far above what JPEG noise gives two copies of one picture.
        QVERIFY2(MeanDifference(normal, hovered) > 4.0, qPrintable(base));
    }

    void namesIgnoreCase()
    {
        const QPixmap original = LoadJpgPicture(QStringLiteral("Ok1"));
        for (const char* spelling : {"ok1", "OK1", "oK1"}) {
            TImageEx image;
            QVERIFY(LoadJpgResource(&image, QString::fromLatin1(spelling)));
            QVERIFY(SameImage(image.Picture(), original));
        }
        QCOMPARE(FindSkinResource(QStringLiteral("loding"), QStringLiteral("gif")),
                 FindSkinResource(QStringLiteral("LODING"), QStringLiteral("GIF")));
        QCOMPARE(LoadImageListResource(QStringLiteral("imagelist1")).size(), 25);
    }

    void tagOneKeepsThePicture()
    {
        TImageEx image;
        image.SetPicture(Solid(Qt::red));
        image.Tag = 1;
        QVERIFY(!LoadJpgResource(&image, QStringLiteral("BigBtn2")));
        QCOMPARE(Corner(image.Picture()), QColor(Qt::red));
        image.Tag = 0;
        QVERIFY(LoadJpgResource(&image, QStringLiteral("BigBtn2")));
        QCOMPARE(image.Picture().size(), QSize(22, 17));
    }

    void missingNameIsReportedOnceAndChangesNothing()
    {
        TImageEx image;
        image.SetPicture(Solid(Qt::red));
        QTest::ignoreMessage(QtWarningMsg, MissingReport);
        QTest::failOnWarning(MissingReport);
        QVERIFY(!LoadJpgResource(&image, QStringLiteral("NoSuchPicture")));
        QVERIFY(!LoadJpgResource(&image, QStringLiteral("nosuchpicture")));
        QCOMPARE(Corner(image.Picture()), QColor(Qt::red));
        QVERIFY(!LoadJpgResource(nullptr, QStringLiteral("Ok1")));
    }

    void onlyJpgPicturesAreLoadedAsJpg()
    {
        TImageEx image;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not JPG")));
        QVERIFY(!LoadJpgResource(&image, QStringLiteral("LODING"), QStringLiteral("GIF")));
        QVERIFY(image.Picture().isNull());
    }

    void hoverConventionSwapsThePair()
    {
        TImageEx image;
        UseHoverPictures(&image, QStringLiteral("Browse"));
        const QPixmap normal = LoadJpgPicture(QStringLiteral("Browse1"));
        const QPixmap hovered = LoadJpgPicture(QStringLiteral("Browse2"));
        QVERIFY(SameImage(image.Picture(), normal));
        SendEnter(&image);
        QVERIFY(SameImage(image.Picture(), hovered));
        SendLeave(&image);
        QVERIFY(SameImage(image.Picture(), normal));
    }

    void busyAnimationLoops()
    {
        TImageEx image;
        image.SetPicture(Solid(Qt::red));
        QVERIFY(LoadGifResource(QStringLiteral("Loding"), &image));
        QVERIFY(image.Picture().isNull());
        QMovie* movie = image.Animation();
        QVERIFY(movie);
        QCOMPARE(movie->format(), QByteArray("gif"));
        QVERIFY(movie->frameCount() > 1);
        QCOMPARE(movie->currentPixmap().size(), QSize(32, 32));

        // Run past the last frame: the animation starts over instead of stopping.
        const int last = movie->frameCount() - 1;
        bool sawLast = false;
        bool wrapped = false;
        connect(movie, &QMovie::frameChanged, this, [&](int frame) {
            sawLast = sawLast || frame == last;
            wrapped = wrapped || (sawLast && frame == 0);
        });
        QTRY_VERIFY_WITH_TIMEOUT(wrapped, 10000);
        QCOMPARE(movie->state(), QMovie::Running);
        // The control paints the frames itself.
        QVERIFY(!image.grab().toImage().isNull());

        image.ClearPicture();
        QVERIFY(!image.Animation());
    }

    void missingAnimationLeavesTheControl()
    {
        TImageEx image;
        image.SetPicture(Solid(Qt::red));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("NoSuchAnimation.*does not exist")));
        QVERIFY(!LoadGifResource(QStringLiteral("NoSuchAnimation"), &image));
        QCOMPARE(Corner(image.Picture()), QColor(Qt::red));
        QVERIFY(!image.Animation());
    }

    void comparisonImageListHasItsPairs()
    {
        const QList<QPixmap> pictures = LoadImageListResource(QStringLiteral("ImageList1"));
        QCOMPARE(pictures.size(), 25);
        for (const QPixmap& picture : pictures)
            QCOMPARE(picture.size(), QSize(16, 16));
        QCOMPARE(CoveredPixels(pictures.at(0).toImage()), 0);
        for (int index = 1; index < 5; ++index)
            QVERIFY2(CoveredPixels(pictures.at(index).toImage()) > 20,
                     qPrintable(QString::number(index)));
        // In each pair from 5 on, the odd picture is the even one with a shadow: it
        // covers more pixels and is otherwise alike.
        for (int hover = 5; hover < 25; hover += 2) {
            const QImage shadowed = pictures.at(hover).toImage();
            const QImage plain = pictures.at(hover + 1).toImage();
            QVERIFY2(CoveredPixels(shadowed) > CoveredPixels(plain),
                     qPrintable(QString::number(hover)));
            QVERIFY(CoveredPixels(plain) > 20);
        }
        // The pairs themselves are different drawings.
        for (int a = 6; a < 25; a += 2) {
            for (int b = a + 2; b < 25; b += 2)
                QVERIFY(pictures.at(a).toImage() != pictures.at(b).toImage());
        }
    }

    void directionIndicatorList()
    {
        const QList<QPixmap> pictures = LoadImageListResource(QStringLiteral("iml_button"));
        QCOMPARE(pictures.size(), 4);
        for (const QPixmap& picture : pictures)
            QCOMPARE(picture.size(), QSize(55, 16));
        QCOMPARE(CoveredPixels(pictures.at(0).toImage()), 0);
        // Both ways covers more than either single arrow; right and left mirror each other.
        const QImage right = pictures.at(2).toImage();
        const QImage left = pictures.at(3).toImage();
        QVERIFY(CoveredPixels(pictures.at(1).toImage()) > CoveredPixels(right));
        QVERIFY(MeanDifference(OnWhite(right.mirrored(true, false)), OnWhite(left)) < 3.0);
        QVERIFY(MeanDifference(OnWhite(right), OnWhite(left)) > 10.0);
    }

    void unknownImageListIsEmpty()
    {
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("NoSuchList.*does not exist")));
        QVERIFY(LoadImageListResource(QStringLiteral("NoSuchList")).isEmpty());
    }
};

QTEST_MAIN(TestSkinResources)
#include "tst_skinresources.moc"
