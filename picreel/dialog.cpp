#include "dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdio>

#include "messages.h"
#include "platform.h"

namespace {

constexpr const char* mainTitle = "zqPicreel";
constexpr const char* progressTitle = "Avi Creation Progress";
constexpr const char* compressorTitle = "Video Compression";
constexpr const char* initialAvi = "out.avi";
constexpr unsigned initialFrameRate = 15;
constexpr unsigned initialKeyRate = 1;
// The sunken edge around the preview: 2 pixels a side.
constexpr int previewEdge = 4;

QString qs(const std::string& s)
{
    return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
}

std::string text(const QLineEdit* e)
{
    return e->text().toLocal8Bit().toStdString();
}

// An edit box that takes digits only, read as an unsigned number (empty: 0).
QLineEdit* digitsBox(QWidget* parent, unsigned value)
{
    auto* e = new QLineEdit(QString::number(value), parent);
    e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), e));
    return e;
}

uint32_t digits(const QLineEdit* e)
{
    bool ok = false;
    const uint32_t v = e->text().toUInt(&ok);
    return ok ? v : 0;
}

QPushButton* dotsButton(const QString& label, QWidget* parent)
{
    auto* b = new QPushButton(label, parent);
    b->setAutoDefault(false);
    b->setMaximumWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("M...M")) + 8);
    return b;
}

// The picture as Qt draws it: rows top row first.
QImage frameImage(const PictureBlock& picture, std::span<const uint8_t> pixels)
{
    const PictureHeader& h = picture.header;
    const int w = h.biWidth, ht = h.biHeight;
    const auto stride = static_cast<qsizetype>(picRowBytes(h.biBitCount, static_cast<uint32_t>(w)));
    QImage image;
    switch (h.biBitCount) {
    case 24:
        image = QImage(pixels.data(), w, ht, stride, QImage::Format_BGR888);
        break;
    case 32:
        image = QImage(pixels.data(), w, ht, stride, QImage::Format_RGB32);
        break;
    case 8:
    case 1: {
        image = QImage(pixels.data(), w, ht, stride,
                       h.biBitCount == 8 ? QImage::Format_Indexed8 : QImage::Format_Mono);
        QList<QRgb> colours;
        for (int i = 0; i < (1 << h.biBitCount); ++i)
            colours.append(0xFF000000u | picture.palette[i]);
        image.setColorTable(colours);
        break;
    }
    case 4: {
        image = QImage(w, ht, QImage::Format_Indexed8);
        QList<QRgb> colours;
        for (int i = 0; i < 16; ++i)
            colours.append(0xFF000000u | picture.palette[i]);
        image.setColorTable(colours);
        for (int y = 0; y < ht; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t b = pixels[static_cast<size_t>(y * stride + x / 2)];
                image.setPixel(x, y, x % 2 ? b & 0x0F : b >> 4);
            }
        break;
    }
    default:
        return {};
    }
    return image.mirrored(false, true);  // a deep copy, bottom row last
}

ProgressWindow* progressCreate(MainDialog& d)
{
    auto* p = new ProgressWindow;
    p->window = new QDialog(d.window);
    p->window->setWindowTitle(progressTitle);
    p->window->setModal(false);
    p->bar = new QProgressBar(p->window);
    p->bar->setRange(0, 0);
    p->bar->setValue(0);
    p->bar->setTextVisible(false);
    p->abort = new QPushButton(QStringLiteral("Abort"), p->window);
    p->abort->setDefault(true);
    p->preview = new QLabel(p->window);
    p->preview->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p->preview->setLineWidth(previewEdge / 2);
    p->preview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    p->preview->setFixedSize(75, 23);
    auto* top = new QHBoxLayout;
    top->addWidget(p->bar, 1);
    top->addWidget(p->abort);
    auto* all = new QVBoxLayout(p->window);
    all->addLayout(top);
    all->addWidget(p->preview, 0, Qt::AlignLeft | Qt::AlignTop);
    all->addStretch(1);
    all->setSizeConstraint(QLayout::SetMinimumSize);
    QObject::connect(p->abort, &QPushButton::clicked, p->window,
                     [&d] { d.settings.abortRequested = true; });
    // Closing the window asks for the end of the run, as Abort does.
    QObject::connect(p->window, &QDialog::rejected, p->window,
                     [&d] { d.settings.abortRequested = true; });
    p->window->show();
    return p;
}

// The preview takes the picture's size plus its edge; the window grows
// when it is too small for it and keeps its size otherwise.
void progressResize(ProgressWindow& p, int width, int height)
{
    p.preview->setFixedSize(width + previewEdge, height + previewEdge);
    p.window->layout()->activate();
    p.window->resize(p.window->size().expandedTo(p.window->minimumSizeHint()));
}

// Disables the dialog's controls while a run goes on. Disabling the window
// itself would disable the progress window it owns, Abort included.
void setControlsEnabled(MainDialog& d, bool enabled)
{
    for (QWidget* child : d.window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow())
            child->setEnabled(enabled);
}

void progressDestroy(MainDialog& d)
{
    delete d.progress->window;
    delete d.progress;
    d.progress = nullptr;
}

}  // namespace

void showError(QDialog* owner, const char* message)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, picreelErrorFormat, message);
    QMessageBox box(QMessageBox::Warning, picreelErrorTitle, QString::fromLocal8Bit(buffer),
                    QMessageBox::Ok, owner);
    box.exec();
}

bool dialogChooseCompressor(QDialog* owner, AviChoice& choice)
{
    const std::vector<AviCompressor> list = aviCompressors();
    QDialog dlg(owner);
    dlg.setWindowTitle(compressorTitle);
    auto* compressor = new QComboBox(&dlg);
    int selected = 0;
    const AviCompressor* current = aviFindCompressor(list, choice.compressor);
    for (size_t i = 0; i < list.size(); ++i) {
        std::string code = list[i].fourcc;
        while (!code.empty() && code.back() == ' ')
            code.pop_back();
        compressor->addItem(qs(list[i].description + " (" + code + ")"));
        if (current == &list[i])
            selected = static_cast<int>(i);
    }
    compressor->setCurrentIndex(selected);
    auto* quality = new QSlider(Qt::Horizontal, &dlg);
    quality->setRange(0, 100);
    quality->setValue(choice.quality >= 0 ? choice.quality / 100 : 75);
    auto* qualityValue = new QLabel(&dlg);
    bool qualityTouched = false;
    auto* keyEvery = new QCheckBox(QStringLiteral("&Key Frame Every"), &dlg);
    keyEvery->setChecked(choice.keyRate > 0);
    auto* keyRate = new QSpinBox(&dlg);
    keyRate->setRange(1, 100000);
    keyRate->setValue(choice.keyRate > 0 ? choice.keyRate : 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Compressor:"), compressor);
    auto* qualityRow = new QHBoxLayout;
    qualityRow->addWidget(quality, 1);
    qualityRow->addWidget(qualityValue);
    auto* qualityLabel = new QLabel(QStringLiteral("Compression &Quality:"), &dlg);
    qualityLabel->setBuddy(quality);
    form->addRow(qualityLabel, qualityRow);
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(keyEvery);
    keyRow->addWidget(keyRate);
    keyRow->addWidget(new QLabel(QStringLiteral("frames"), &dlg));
    keyRow->addStretch(1);
    form->addRow(keyRow);
    auto* all = new QVBoxLayout(&dlg);
    all->addLayout(form);
    all->addWidget(buttons);

    const auto update = [&] {
        const AviCompressor& c = list[static_cast<size_t>(compressor->currentIndex())];
        quality->setEnabled(c.usesQuality);
        qualityValue->setText(c.usesQuality ? QString::number(quality->value()) : QString());
        keyEvery->setEnabled(c.usesKeyRate);
        keyRate->setEnabled(c.usesKeyRate && keyEvery->isChecked());
    };
    QObject::connect(compressor, &QComboBox::currentIndexChanged, &dlg, update);
    QObject::connect(keyEvery, &QCheckBox::toggled, &dlg, update);
    QObject::connect(quality, &QSlider::valueChanged, &dlg, [&] {
        qualityTouched = true;
        update();
    });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    update();
    if (dlg.exec() != QDialog::Accepted)
        return false;
    const AviCompressor& c = list[static_cast<size_t>(compressor->currentIndex())];
    choice.compressor = c.name;
    if (qualityTouched)
        choice.quality = quality->value() * 100;
    choice.keyRate = keyEvery->isChecked() ? keyRate->value() : 0;
    return true;
}

void refreshFileList(MainDialog& d)
{
    const std::string prefix = text(d.inputName).substr(0, 256);
    const std::string pattern = prefix + (d.bmp->isChecked() ? "*.bmp" : "*.tga");
    d.files->clear();
    FrameList list;
    for (const PlatformDirEntry& e : platformFind(pattern))
        if (!e.isDir)
            picFrameListInsert(list, e.name);
    for (const std::string& name : list.names)
        d.files->addItem(qs(name));
}

void dialogCreateMovie(MainDialog& d)
{
    CreationSettings& s = d.settings;
    s = CreationSettings{};
    s.inputPrefix = text(d.inputName);
    s.outputBase = creationOutputBase(text(d.aviFile));
    s.useTga = d.tga->isChecked();
    s.frameRate = digits(d.frameRate);
    s.keyRate = digits(d.keyRate);
    s.quality = -1;
    s.compressor = "DIB ";
    s.chooseCompressor = true;
    s.soundtrack = text(d.wavFile);
    s.showFrames = true;
    s.abortRequested = false;

    d.progress = progressCreate(d);
    setControlsEnabled(d, false);
    ProgressWindow* p = d.progress;
    CreationUi ui;
    ui.showError = d.showError;
    ui.chooseCompressor = d.chooseCompressor;
    ui.pumpMessages = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
    ui.progress = [p](int frame, int last) {
        p->bar->setRange(0, last);
        p->bar->setValue(frame);
    };
    ui.resizePreview = [p](int width, int height) { progressResize(*p, width, height); };
    ui.drawFrame = [p](const PictureBlock& picture, std::span<const uint8_t> pixels) {
        p->preview->setPixmap(QPixmap::fromImage(frameImage(picture, pixels)));
        p->preview->repaint();
    };
    createAvi(s, ui);
    setControlsEnabled(d, true);
    progressDestroy(d);
    d.window->update();
}

std::unique_ptr<MainDialog> dialogCreate()
{
    auto d = std::make_unique<MainDialog>();
    MainDialog& m = *d;
    m.window = new QDialog;
    QDialog* w = m.window;
    w->setWindowTitle(mainTitle);
    w->setWindowIcon(picreelIcon());

    auto* input = new QGroupBox(QStringLiteral("Input Options"), w);
    m.directory = new QLineEdit(w);
    m.browseDirectory = dotsButton(QStringLiteral("..."), w);
    m.inputName = new QLineEdit(w);
    m.files = new QListWidget(w);
    m.files->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m.files->setMinimumHeight(m.files->fontMetrics().lineSpacing() * 6);
    m.files->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m.bmp = new QRadioButton(QStringLiteral("BMP"), w);
    m.tga = new QRadioButton(QStringLiteral("TGA"), w);
    m.wavFile = new QLineEdit(w);
    m.chooseWav = dotsButton(QStringLiteral("..."), w);
    m.play = dotsButton(QStringLiteral(">"), w);
    auto* inputGrid = new QGridLayout(input);
    auto label = [w](const char* t, QWidget* buddy) {
        auto* l = new QLabel(QString::fromUtf8(t), w);
        l->setBuddy(buddy);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    inputGrid->addWidget(label("&Directory :", m.directory), 0, 0);
    inputGrid->addWidget(m.directory, 0, 1, 1, 2);
    inputGrid->addWidget(m.browseDirectory, 0, 3);
    inputGrid->addWidget(label("Input &name :", m.inputName), 1, 0);
    inputGrid->addWidget(m.inputName, 1, 1, 1, 2);
    auto* filesLabel = new QLabel(QStringLiteral("Files :"), w);
    filesLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    auto* kinds = new QVBoxLayout;
    kinds->addWidget(filesLabel);
    kinds->addWidget(m.bmp);
    kinds->addWidget(m.tga);
    kinds->addStretch(1);
    inputGrid->addLayout(kinds, 2, 0);
    inputGrid->addWidget(m.files, 2, 1, 1, 2);
    inputGrid->addWidget(label("&Wav File :", m.wavFile), 3, 0);
    inputGrid->addWidget(m.wavFile, 3, 1);
    inputGrid->addWidget(m.chooseWav, 3, 2);
    inputGrid->addWidget(m.play, 3, 3);
    inputGrid->setColumnStretch(1, 1);

    auto* output = new QGroupBox(QStringLiteral("Output Options"), w);
    m.aviFile = new QLineEdit(w);
    m.chooseAvi = dotsButton(QStringLiteral("..."), w);
    m.frameRate = digitsBox(w, initialFrameRate);
    m.keyRate = digitsBox(w, initialKeyRate);
    auto* outputGrid = new QGridLayout(output);
    outputGrid->addWidget(label("Avi &File :", m.aviFile), 0, 0);
    outputGrid->addWidget(m.aviFile, 0, 1, 1, 3);
    outputGrid->addWidget(m.chooseAvi, 0, 4);
    outputGrid->addWidget(label("Frame &Rate :", m.frameRate), 1, 0);
    outputGrid->addWidget(m.frameRate, 1, 1);
    outputGrid->addWidget(label("&Key Rate :", m.keyRate), 1, 2);
    outputGrid->addWidget(m.keyRate, 1, 3);
    outputGrid->setColumnStretch(1, 1);
    outputGrid->setColumnStretch(3, 1);

    m.create = new QPushButton(QStringLiteral("Create"), w);
    m.create->setDefault(true);
    m.close = new QPushButton(QStringLiteral("Close"), w);
    m.close->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m.create);
    buttons->addWidget(m.close);
    auto* all = new QVBoxLayout(w);
    all->addWidget(input);
    all->addWidget(output);
    all->addLayout(buttons);

    // Initial values.
    m.directory->setText(qs(platformCurrentDir()));
    m.aviFile->setText(initialAvi);
    m.bmp->setChecked(true);
    m.showError = [w](const char* message) { showError(w, message); };
    m.chooseCompressor = [w](AviChoice& choice, const PictureBlock&) {
        return dialogChooseCompressor(w, choice);
    };
    refreshFileList(m);

    // Commands.
    QObject::connect(m.create, &QPushButton::clicked, w, [&m] { dialogCreateMovie(m); });
    QObject::connect(m.close, &QPushButton::clicked, w, [w] { w->done(0); });
    // The dialog closed by its window's frame during a run ends the run too.
    QObject::connect(w, &QDialog::finished, w, [&m] {
        if (m.progress)
            m.settings.abortRequested = true;
    });
    QObject::connect(m.inputName, &QLineEdit::textChanged, w, [&m] { refreshFileList(m); });
    QObject::connect(m.bmp, &QRadioButton::toggled, w, [&m] { refreshFileList(m); });
    QObject::connect(m.tga, &QRadioButton::toggled, w, [&m] { refreshFileList(m); });
    // Leaving the directory box makes its text the current directory.
    QObject::connect(m.directory, &QLineEdit::editingFinished, w, [&m] {
        platformSetCurrentDir(text(m.directory));
        m.directory->setText(qs(platformCurrentDir()));
        refreshFileList(m);
    });
    QObject::connect(m.browseDirectory, &QPushButton::clicked, w, [&m] {
        const QString dir = QFileDialog::getExistingDirectory(m.window, QString(), m.directory->text());
        if (dir.isEmpty())
            return;
        platformSetCurrentDir(dir.toLocal8Bit().toStdString());
        m.directory->setText(qs(platformCurrentDir()));
        refreshFileList(m);
    });
    QObject::connect(m.chooseWav, &QPushButton::clicked, w, [&m] {
        const QString f = QFileDialog::getOpenFileName(m.window, QStringLiteral("Select Soundtrack"),
                                                       m.wavFile->text(),
                                                       QStringLiteral("Wav Audio Files (*.wav)"));
        if (!f.isEmpty())
            m.wavFile->setText(f);
    });
    QObject::connect(m.play, &QPushButton::clicked, w, [&m] {
        if (!m.wavFile->text().isEmpty())
            QDesktopServices::openUrl(QUrl::fromLocalFile(m.wavFile->text()));
    });
    QObject::connect(m.chooseAvi, &QPushButton::clicked, w, [&m] {
        QFileDialog save(m.window, QString(), QString(), QStringLiteral("Avi Movie Files (*.avi)"));
        save.setAcceptMode(QFileDialog::AcceptSave);
        save.setFileMode(QFileDialog::AnyFile);
        save.setDefaultSuffix(QStringLiteral("avi"));
        save.selectFile(m.aviFile->text());
        if (save.exec() == QDialog::Accepted && !save.selectedFiles().isEmpty())
            m.aviFile->setText(save.selectedFiles().front());
    });
    return d;
}

QIcon picreelIcon()
{
    // A strip of film with a red frame: 16 colours at most, as drawn.
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        const qreal u = size / 16.0;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(32, 32, 32));
        p.drawRect(QRectF(1 * u, 2 * u, 14 * u, 12 * u));
        p.setBrush(QColor(255, 255, 255));
        for (int i = 0; i < 4; ++i) {
            p.drawRect(QRectF((2 + i * 3.5) * u, 3 * u, 1.5 * u, 1 * u));
            p.drawRect(QRectF((2 + i * 3.5) * u, 12 * u, 1.5 * u, 1 * u));
        }
        p.setBrush(QColor(200, 40, 30));
        p.drawRect(QRectF(3 * u, 5 * u, 10 * u, 6 * u));
        p.setBrush(QColor(250, 220, 60));
        p.drawEllipse(QRectF(6 * u, 6.5 * u, 3 * u, 3 * u));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

int dialogRun(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(picreelIcon());
    std::unique_ptr<MainDialog> d = dialogCreate();
    const int result = d->window->exec();
    delete d->window;
    return result;
}
