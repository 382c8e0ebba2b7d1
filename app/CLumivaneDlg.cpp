#include "app/CLumivaneDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

#include "acquire/CTwainSourcesDlg.h"
#include "acquire/CTwainUtils.h"
#include "app/CAboutDlg.h"
#include "app/CAddTextCommand.h"
#include "app/CColorSwatch.h"
#include "app/CScanCommand.h"
#include "app/CWebCameraCommand.h"
#include "app/DialogSeam.h"
#include "app/DialogUnits.h"
#include "app/CHelpWindow.h"
#include "app/ExactPreview.h"
#include "app/HelpPages.h"
#include "app/ImageFileCommands.h"
#include "app/ProfileCommands.h"
#include "app/ProgramName.h"
#include "app/SizeField.h"
#include "imaging/dialogs/CAdjustBrightnessDlg.h"
#include "imaging/dialogs/CAdjustContrastDlg.h"
#include "imaging/dialogs/CAdjustHSBDlg.h"
#include "imaging/dialogs/CBlurDlg.h"
#include "platform/CameraList.h"
#include "platform/SaneScanner.h"
#include "platform/UserStore.h"

#ifndef LUMIVANE_VERSION
#define LUMIVANE_VERSION "0"
#endif
#ifndef LUMIVANE_HELP_INSTALL_DIR
#define LUMIVANE_HELP_INSTALL_DIR ""
#endif

// The program icon is compiled into this library; its resources must be registered before use.
static void InitResources() {
    Q_INIT_RESOURCE(lumivane);
}

namespace {

QRect ToQRect(const Rect& rect) {
    return QRect(rect.left, rect.top, static_cast<int>(rect.Width()), static_cast<int>(rect.Height()));
}

// What a click on a check box does: flip a switch and re-run the chain, or the crop, light or light-edit command.
enum class BoxCommand { Switch, Crop, Light, LightEdit };

struct CheckBoxEntry {
    int id;
    std::int32_t ProcessingSettings::*member;  // the switch the box shows
    BoxCommand command;
    int light = -1;  // 0..2 for the light commands
};

// Every check box, in the order a loaded profile refreshes them.
constexpr CheckBoxEntry kCheckBoxes[] = {
    {dlg::kBlur, &ProcessingSettings::m_bBlur, BoxCommand::Switch},
    {dlg::kBrightness, &ProcessingSettings::m_bBrightness, BoxCommand::Switch},
    {dlg::kContrast, &ProcessingSettings::m_bContrast, BoxCommand::Switch},
    {dlg::kHsb, &ProcessingSettings::m_bHSB, BoxCommand::Switch},
    {dlg::kInvertRed, &ProcessingSettings::m_bInvertR, BoxCommand::Switch},
    {dlg::kInvertGreen, &ProcessingSettings::m_bInvertG, BoxCommand::Switch},
    {dlg::kInvertBlue, &ProcessingSettings::m_bInvertB, BoxCommand::Switch},
    {dlg::kGreyScale, &ProcessingSettings::m_bGrayScale, BoxCommand::Switch},
    {dlg::kSharpen, &ProcessingSettings::m_bSharpen, BoxCommand::Switch},
    {dlg::kEmboss, &ProcessingSettings::m_bEmboss, BoxCommand::Switch},
    {dlg::kCrop, &ProcessingSettings::m_bCrop, BoxCommand::Crop},
    {dlg::kLight1, kLights[0].on, BoxCommand::Light, 0},
    {dlg::kLight2, kLights[1].on, BoxCommand::Light, 1},
    {dlg::kLight3, kLights[2].on, BoxCommand::Light, 2},
    {dlg::kEditLight1, kLights[0].edit, BoxCommand::LightEdit, 0},
    {dlg::kEditLight2, kLights[1].edit, BoxCommand::LightEdit, 1},
    {dlg::kEditLight3, kLights[2].edit, BoxCommand::LightEdit, 2},
    {dlg::kResize, &ProcessingSettings::m_bResize, BoxCommand::Switch},
};

const CheckBoxEntry* FindCheckBox(int id) {
    for (const CheckBoxEntry& box : kCheckBoxes) {
        if (box.id == id) return &box;
    }
    return nullptr;
}

constexpr int kSwatches[3] = {dlg::kLightColor1, dlg::kLightColor2, dlg::kLightColor3};

int IndexOf(const int (&ids)[3], int id) {
    for (int i = 0; i < 3; ++i) {
        if (ids[i] == id) return i;
    }
    return -1;
}

// The first local file among the dropped addresses; empty when there is none.
QString FirstLocalFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) return url.toLocalFile();
    }
    return {};
}

}  // namespace

CLumivaneDlg::CLumivaneDlg(IDialogSeam& seam, std::string storePath, QWidget* parent)
    : QDialog(parent), m_seam(seam), m_storePath(std::move(storePath)) {
    InitResources();
    // The device choices come from the per-user store; the record's defaults and the profile's declaration are
    // already in place (CLumivaneState's constructor).
    if (!m_storePath.empty()) {
        UserStore store(m_storePath);
        m_state.m_device.Read(store);
        m_view.Read(store);
    }
    m_helpFolders = HelpFolders(QCoreApplication::applicationDirPath().toStdString(), LUMIVANE_HELP_INSTALL_DIR);

    setWindowTitle(kProgramName);
    setWindowIcon(QIcon(QStringLiteral(":/lumivane/lumivane.png")));
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // Template rectangles are laid out for a font of about 6 × 13 pixels per character cell.
    // A narrow face keeps the labels inside their template rectangles.
    QFont dialogFont = font();
    dialogFont.setPixelSize(11);
    dialogFont.setStretch(QFont::SemiCondensed);
    setFont(dialogFont);
    setStyleSheet(QStringLiteral("QCheckBox { spacing: 3px; }"));

    CreateControls();
    // The exact preview: off by default, remembered for the user; shown in the processed pane when its run is done.
    m_pExactBox = new QCheckBox(tr("Exact preview"), this);
    m_pExactBox->setObjectName(QStringLiteral("exactPreview"));
    m_pExactBox->setToolTip(tr("Show the result computed at the picture's full size, reduced to the pane"));
    m_pExactBox->setChecked(m_view.m_bExactPreview);
    connect(m_pExactBox, &QCheckBox::clicked, this, [this](bool on) { SetExactPreview(on); });
    m_pExact = std::make_unique<CExactPreview>([this](const QImage& image) {
        if (m_view.m_bExactPreview) m_pBmpWndDestination->ShowExactImage(image);
    });
    m_pFiles = std::make_unique<CImageFileCommands>(m_state, m_seam, *this, *Control(dlg::kSave));
    m_pProfiles = std::make_unique<CProfileCommands>(m_state, m_seam, *this);
    // The picture and profile dialogs open where they were last used, remembered for the user.
    m_pFiles->SetFolderMemory(&m_view.m_strPictureFolder);
    m_pProfiles->SetFolderMemory(&m_view.m_strProfileFolder);
    m_pAddText = std::make_unique<CAddTextCommand>(
        m_state, m_seam, *this, [this](const Rect& changed) { return ShowChangedOriginal(changed); });
    SetScannerSystem(std::make_shared<SaneScannerSystem>());
    m_cameraLister = [] {
        std::vector<std::string> names;
        if (!ListCameraNames(names)) names.clear();  // no camera framework: an empty list, no message
        return names;
    };
    m_pWebCamera = std::make_unique<CWebCameraCommand>(m_state, m_seam, *this, *m_pFiles);
    CreateShortcuts();
    // A picture file dropped anywhere on the window is opened, also over the size fields (which would take its name as
    // text).
    setAcceptDrops(true);
    Control(dlg::kSizeX)->setAcceptDrops(false);
    Control(dlg::kSizeY)->setAcceptDrops(false);
    WriteSizeFields();
    EnableAcquisitionButtons();
    m_state.SetView(this);
    m_pBmpWndOriginal->SetHost(this);
    m_pBmpWndDestination->SetHost(this);

    // The layout moves controls relative to where they are now, for the window's size now.
    const Rect client = dlg::MapDialogRect(dlg::kMainTemplateSize);
    resize(static_cast<int>(client.Width()), static_cast<int>(client.Height()));
    std::vector<dlg::Placement> placements;
    for (const auto& [id, control] : m_controls) {
        const QRect g = control->geometry();
        placements.push_back({id, Rect{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()}});
    }
    m_layout.Record(Size{width(), height()}, placements);
    m_bLaidOut = true;
    PlaceExactPreviewBox();
    UpdateMinimumSize();
}

CLumivaneDlg::~CLumivaneDlg() {
    m_state.SetView(nullptr);
    // The window goes: the device choices are written back.
    if (!m_storePath.empty()) {
        UserStore store(m_storePath);
        m_state.m_device.Write(store);
        m_view.Write(store);
    }
}

void CLumivaneDlg::CreateControls() {
    for (const dlg::ControlTemplate& entry : dlg::MainTemplate()) {
        QWidget* control = nullptr;
        const QString label = QString::fromUtf8(entry.label);
        const int id = entry.id;
        switch (entry.kind) {
            case dlg::ControlKind::PushButton: {
                auto* button = new QPushButton(label, this);
                // Enter must not press a button: no button is a default one.
                button->setAutoDefault(false);
                button->setDefault(false);
                connect(button, &QPushButton::clicked, this, [this, id] { Command(id); });
                control = button;
                break;
            }
            case dlg::ControlKind::CheckBox: {
                auto* box = new QCheckBox(label, this);
                // The box toggles itself; the command flips the matching switch without reading the box.
                connect(box, &QCheckBox::clicked, this, [this, id] { Command(id); });
                control = box;
                break;
            }
            case dlg::ControlKind::GroupBox:
                control = new QGroupBox(label, this);
                break;
            case dlg::ControlKind::Pane: {
                const bool original = id == dlg::kOriginalPane;
                auto* pane = new CBmpWnd(original ? m_state.m_cBmpWndOriginal : m_state.m_cBmpWndDestination, this);
                (original ? m_pBmpWndOriginal : m_pBmpWndDestination) = pane;
                control = pane;
                break;
            }
            case dlg::ControlKind::Swatch: {
                const int light = IndexOf(kSwatches, id);
                control = new CColorSwatch([this, light] { return LightColor(light); },
                                           [this, light] { ChooseLightColor(light); }, this);
                break;
            }
            case dlg::ControlKind::Label:
                control = new QLabel(label, this);
                break;
            case dlg::ControlKind::Edit:
                control = new QLineEdit(this);
                break;
        }
        control->setObjectName(QStringLiteral("control%1").arg(id));
        if (entry.toolTip[0] != '\0') control->setToolTip(QString::fromUtf8(entry.toolTip));
        control->setGeometry(ToQRect(dlg::MapDialogRect(entry.rect)));
        m_controls[id] = control;
    }
}

QWidget* CLumivaneDlg::Control(int id) const {
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

QColor CLumivaneDlg::LightColor(int light) const {
    if (light < 0 || light > 2) return QColor(Qt::white);
    const std::int32_t* rgb = m_state.m_settings.m_nLightColor[light];
    // Values beyond a byte come only from hand-edited profiles; the swatch shows them clamped.
    return QColor(std::clamp(rgb[0], 0, 255), std::clamp(rgb[1], 0, 255), std::clamp(rgb[2], 0, 255));
}

void CLumivaneDlg::Command(int id) {
    if (const CheckBoxEntry* box = FindCheckBox(id)) {
        switch (box->command) {
            case BoxCommand::Switch:
                m_state.ToggleSwitch(m_state.m_settings.*box->member);
                break;
            case BoxCommand::Crop:
                m_state.ToggleCrop();
                break;
            case BoxCommand::Light:
                m_state.ToggleLight(box->light);
                break;
            case BoxCommand::LightEdit:
                m_state.ToggleLightEdit(box->light);
                SyncLightEditBoxes();  // switching one on unchecks the other two
                break;
        }
        return;
    }
    switch (id) {
        case dlg::kRotateLeft:
            m_state.RotateLeft();
            break;
        case dlg::kRotateRight:
            m_state.RotateRight();
            break;
        case dlg::kHelp:
            ShowHelp();
            break;
        case dlg::kAbout:
            ShowAbout();
            break;
        case dlg::kLoadFromDisk:
            m_pFiles->LoadFromDisk();
            break;
        case dlg::kSave:
            m_pFiles->Save();
            break;
        case dlg::kSaveAs:
            m_pFiles->SaveAs();
            break;
        case dlg::kLoadConfiguration:
            m_pProfiles->LoadConfiguration();
            break;
        case dlg::kSaveConfiguration:
            // The profile holds the sizes the fields show, also when no resize run has read them yet.
            if (TakeSizeFields(m_state.m_settings)) m_pProfiles->SaveConfiguration();
            break;
        case dlg::kBlurSettings:
        case dlg::kBrightnessSettings:
        case dlg::kContrastSettings:
        case dlg::kHsbSettings:
            OpenEffectSettings(id);
            break;
        case dlg::kAddText:
            m_pAddText->Run();
            break;
        case dlg::kScan:
            Scan();
            break;
        case dlg::kSources:
            ChooseSources();
            break;
        case dlg::kWebCamera:
            m_pWebCamera->Run();
            break;
        default:
            break;
    }
}

void CLumivaneDlg::CreateShortcuts() {
    const auto bind = [this](QKeySequence keys, auto action) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, action);
    };
    bind(QKeySequence(Qt::CTRL | Qt::Key_O), [this] { Command(dlg::kLoadFromDisk); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_S), [this] {
        if (Control(dlg::kSave)->isEnabled()) Command(dlg::kSave);
    });
    bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { Command(dlg::kSaveAs); });
}

void CLumivaneDlg::OpenEffectSettings(int id) {
    if (id == dlg::kBlurSettings) {
        CBlurDlg dialog(m_state.m_settings.m_nBlurSize, this);
        // Each size chosen shows at once when blur is on; Cancel brings the old size back the same way.
        dialog.SetPreview([this](std::int32_t size) {
            m_state.m_settings.m_nBlurSize = size;
            if (m_state.m_settings.m_bBlur != 0) m_state.ProcessImage(true);
        });
        const bool accepted = m_seam.RunDialog(dialog) == QDialog::Accepted;
        m_state.ChooseBlurSize(accepted ? std::optional<std::int32_t>(dialog.Size()) : std::nullopt);
        return;
    }
    // The slider dialogs write, preview and restore the values themselves; nothing follows their closing.
    ProcessingSettings& s = m_state.m_settings;
    const auto bind = [this](std::int32_t& first, std::int32_t& second, std::int32_t& third) {
        return EffectBinding{{&first, &second, &third}, [this] { m_state.ProcessImage(true); }};
    };
    std::unique_ptr<QDialog> dialog;
    if (id == dlg::kBrightnessSettings) {
        dialog = std::make_unique<CAdjustBrightnessDlg>(bind(s.m_nBrightR, s.m_nBrightG, s.m_nBrightB), this);
    } else if (id == dlg::kContrastSettings) {
        dialog = std::make_unique<CAdjustContrastDlg>(bind(s.m_nContrastR, s.m_nContrastG, s.m_nContrastB), this);
    } else {
        dialog = std::make_unique<CAdjustHSBDlg>(bind(s.m_nHue, s.m_nSaturation, s.m_nBrightness), this);
    }
    m_seam.RunDialog(*dialog);
}

void CLumivaneDlg::SyncLightEditBoxes() {
    for (const CheckBoxEntry& box : kCheckBoxes) {
        if (box.command == BoxCommand::LightEdit) SyncCheckBox(box.id, m_state.m_settings.*box.member);
    }
}

void CLumivaneDlg::SyncCheckBoxes() {
    for (const CheckBoxEntry& box : kCheckBoxes) SyncCheckBox(box.id, m_state.m_settings.*box.member);
}

void CLumivaneDlg::SyncCheckBox(int id, std::int32_t theSwitch) {
    static_cast<QCheckBox*>(Control(id))->setChecked(theSwitch != 0);
}

void CLumivaneDlg::WriteSizeFields() {
    static_cast<QLineEdit*>(Control(dlg::kSizeX))->setText(QString::number(m_state.m_settings.m_nSizeX));
    static_cast<QLineEdit*>(Control(dlg::kSizeY))->setText(QString::number(m_state.m_settings.m_nSizeY));
}

void CLumivaneDlg::EnableAcquisitionButtons() {
    Control(dlg::kWebCamera)->setEnabled(!m_state.m_device.m_strCameraSrc.empty());
    Control(dlg::kScan)->setEnabled(!m_state.m_device.m_strScannerSrc.empty());
}

void CLumivaneDlg::ChooseLightColor(int light) {
    std::optional<std::array<std::int32_t, 3>> chosen;
    // The colour dialog opens at the light's colour now.
    if (const std::optional<QColor> color = m_seam.ChooseColor(this, LightColor(light))) {
        chosen = std::array<std::int32_t, 3>{color->red(), color->green(), color->blue()};
    }
    // Also after Cancel the chain runs again and the swatches are repainted.
    m_state.ChooseLightColor(light, chosen);
    for (int id : kSwatches) Control(id)->update();
}

void CLumivaneDlg::SetScannerSystem(std::shared_ptr<IScannerSystem> system) {
    // The area and the counter start afresh with another scanner system.
    m_pScan.reset();
    m_pTwain = std::make_unique<CTwainUtils>(std::move(system), m_storePath);
    m_pScan = std::make_unique<CScanCommand>(m_state, m_seam, *this, *m_pTwain, [this](Resolution scannedAt) { m_pFiles->ForgetFileName(scannedAt); });
}

void CLumivaneDlg::Scan() {
    m_pScan->Run(m_state.m_device.m_strScannerSrc);
    if (m_bCloseAfterScan) {
        m_bCloseAfterScan = false;
        QDialog::reject();
    }
}

void CLumivaneDlg::reject() {
    if (m_pScan && m_pScan->Running()) {
        m_bCloseAfterScan = true;
        m_pScan->CancelRunning();
        return;
    }
    QDialog::reject();
}

void CLumivaneDlg::ChooseSources() {
    SourceListing listing;
    listing.scanners = [this] { return m_pTwain->GetSourceNames(); };
    listing.cameras = m_cameraLister;
    SourcePrompts prompts;
    prompts.askYesNo = [this](QWidget* owner, const QString& caption, const QString& text) {
        QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
        m_seam.RunDialog(box);
        return box.clickedButton() == box.button(QMessageBox::Yes);
    };
    prompts.showError = [this](QWidget* owner, const QString& caption, const QString& text) {
        m_seam.Message(owner, caption, text, IDialogSeam::Icon::Error);
    };
    CTwainSourcesDlg dialog(&m_state.m_device.m_strScannerSrc, &m_state.m_device.m_strCameraSrc, listing,
                            std::move(prompts), [this] { m_pTwain->ResetScanSettings(); }, this);
    if (m_seam.RunDialog(dialog) == QDialog::Accepted) EnableAcquisitionButtons();
}

void CLumivaneDlg::ShowHelp() {
    const std::optional<std::filesystem::path> index = FindHelpIndex(m_helpFolders);
    if (!index) {
        std::vector<std::string> folders;
        for (const auto& folder : m_helpFolders) folders.push_back(folder.string());
        const QStringList looked = ToQStringList(folders);
        m_seam.Message(this, kProgramName,
                       tr("The help pages are not installed. Looked in:\n%1").arg(looked.join('\n')),
                       IDialogSeam::Icon::Warning);
        return;
    }
    // The program's own help window: no web browser needed.
    if (!m_pHelp) {
        m_pHelp = new CHelpWindow([this](const QUrl& url) { return m_seam.OpenExternally(url); }, this);
    }
    m_pHelp->ShowPage(QString::fromStdString(index->string()));
}

void CLumivaneDlg::ShowAbout() {
    CAboutDlg about(
        QString::fromUtf8(kProgramName), QStringLiteral(LUMIVANE_VERSION),
        [this](const QUrl& url) { return m_seam.OpenExternally(url); }, this);
    m_seam.RunDialog(about);
}

bool CLumivaneDlg::OpenPicture(const QString& path) {
    return m_pFiles->OpenPicture(path);
}

bool CLumivaneDlg::OpenProfile(const QString& path) {
    return m_pProfiles->LoadFile(path);
}

const std::string& CLumivaneDlg::FileName() const {
    return m_pFiles->FileName();
}

QString CLumivaneDlg::ViewerFolder() const {
    return m_pFiles->ViewerFolder();
}

int CLumivaneDlg::PendingFileJobs() const {
    return m_pFiles->PendingJobs();
}

// ---- IStateView -------------------------------------------------------------------------------------------------

bool CLumivaneDlg::ShowPicture(CBmpWnd& pane, const BMP_File& picture) {
    const bool shown = pane.SetBitmap(&picture);
    pane.repaint();
    if (!shown) ReportNoPaneCopy();
    return shown;
}

bool CLumivaneDlg::ShowChangedOriginal(const Rect& changed) {
    m_pExactOriginal.reset();  // the text went into the original: the exact preview copies it again
    const bool shown = m_pBmpWndOriginal->UpdateBitmapRect(changed);
    m_pBmpWndOriginal->repaint();
    if (!shown) ReportNoPaneCopy();
    return shown;
}

void CLumivaneDlg::ReportNoPaneCopy() {
    // The pane-sized copy could not be made: memory is short.
    m_seam.Message(this, tr("Create Bitmap Error"),
                   QString::asprintf("Error: 0x%lx\n%s", static_cast<unsigned long>(ENOMEM), std::strerror(ENOMEM)),
                   IDialogSeam::Icon::Error);
}

bool CLumivaneDlg::OriginalImageChanged(const BMP_File& picture) {
    m_pExactOriginal.reset();
    return ShowPicture(*m_pBmpWndOriginal, picture);
}

bool CLumivaneDlg::ProcessedImageChanged(const BMP_File& picture) {
    // The pane-sized preview first, as always; the exact one follows when its run is done.
    const bool shown = ShowPicture(*m_pBmpWndDestination, picture);
    if (shown && m_view.m_bExactPreview) RequestExactPreview();
    return shown;
}

// ---- Exact preview ----------------------------------------------------------------------------------------------

void CLumivaneDlg::SetExactPreview(bool on) {
    m_view.m_bExactPreview = on;
    if (on) {
        RequestExactPreview();
        return;
    }
    m_pExact->Cancel();
    m_pExactOriginal.reset();
    static_cast<void>(ShowPicture(*m_pBmpWndDestination, m_state.ProcessedImage()));  // the pane-sized preview again
}

void CLumivaneDlg::RequestExactPreview() {
    const BMP_File& original = m_state.OriginalImage();
    if (original.IsEmpty()) return;
    if (!m_pExactOriginal) {
        auto copy = std::make_shared<BMP_File>();
        if (!copy->CopyFrom(original)) return;  // memory is short: the pane-sized preview stays
        m_pExactOriginal = std::move(copy);
    }
    m_pExact->Request(m_pExactOriginal, m_state.MakeChainParams(), m_pBmpWndDestination->DevicePaneSize(),
                      m_pBmpWndDestination->devicePixelRatioF());
}

bool CLumivaneDlg::ExactPreviewBusy() const {
    return m_pExact->Busy();
}

void CLumivaneDlg::PlaceExactPreviewBox() {
    // Under the processed pane's left edge, in the gap above Save.
    const QRect pane = m_pBmpWndDestination->geometry();
    const int top = pane.bottom() + 2;
    const int height = std::clamp(Control(dlg::kSave)->geometry().top() - top - 1, 12, 18);
    m_pExactBox->setGeometry(pane.left(), top, std::min(pane.width(), 140), height);
}

void CLumivaneDlg::RepaintPane(CPaneModel& pane) {
    if (&pane == &m_state.m_cBmpWndOriginal) {
        m_pBmpWndOriginal->repaint();
    } else if (&pane == &m_state.m_cBmpWndDestination) {
        m_pBmpWndDestination->repaint();
    }
}

void CLumivaneDlg::ExchangeSizeFields(ProcessingSettings& settings) {
    TakeSizeFields(settings);
}

bool CLumivaneDlg::TakeSizeFields(ProcessingSettings& settings) {
    // Width first; the first field that does not hold an unsigned integer stops the exchange, so it and the fields
    // after it keep their previous values in the record.
    const std::pair<int, std::uint32_t ProcessingSettings::*> fields[2] = {
        {dlg::kSizeX, &ProcessingSettings::m_nSizeX}, {dlg::kSizeY, &ProcessingSettings::m_nSizeY}};
    for (const auto& [id, member] : fields) {
        auto* edit = static_cast<QLineEdit*>(Control(id));
        const std::optional<std::uint32_t> value = ParseSizeField(edit->text().toStdString());
        if (!value) {
            m_seam.Message(this, kProgramName, tr("Please enter a positive integer."), IDialogSeam::Icon::Warning);
            edit->setFocus();
            edit->selectAll();
            return false;
        }
        settings.*member = *value;
    }
    return true;
}

void CLumivaneDlg::SettingsLoaded(const ProcessingSettings&) {
    SyncCheckBoxes();
    WriteSizeFields();
    for (int id : kSwatches) Control(id)->update();
}

void CLumivaneDlg::BeginBusy() {
    if (m_nBusy++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CLumivaneDlg::EndBusy() {
    if (m_nBusy > 0 && --m_nBusy == 0) {
        QApplication::restoreOverrideCursor();
        // After the run has returned to its caller: a posted call, not a timer.
        if (m_bLayoutPending) QMetaObject::invokeMethod(this, &CLumivaneDlg::ArrangeControls, Qt::QueuedConnection);
    }
}

// ---- IPaneHost --------------------------------------------------------------------------------------------------

void CLumivaneDlg::PaneResized(CBmpWnd& pane, Size outer) {
    CPaneModel& model = pane.Model();
    if (m_state.PaneOuterSize(model) == outer) return;  // shown for the first time at the size it has
    m_state.SetPaneOuterSize(model, outer);
}

void CLumivaneDlg::OpenInViewer(CBmpWnd& pane) {
    m_pFiles->OpenInViewer(&pane == m_pBmpWndOriginal);
}

void CLumivaneDlg::PaneRescaled(CBmpWnd& pane) {
    // The exact preview was reduced to the old screen's pixels; the pane shows the pane-sized preview until the run
    // for the new pixels is done.
    if (&pane == m_pBmpWndDestination && m_view.m_bExactPreview) RequestExactPreview();
}

// ---- Window events ----------------------------------------------------------------------------------------------

void CLumivaneDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();  // no OK action
        return;
    }
    QDialog::keyPressEvent(event);  // Esc ends the dialog
}

void CLumivaneDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!m_bLaidOut || isMinimized()) return;
    if (m_nBusy > 0) {
        // A run of the chain is waiting on a message box (the size fields' check). Running the chain again inside it
        // would have the suspended run apply its stages a second time; the layout follows when the run has ended.
        m_bLayoutPending = true;
        return;
    }
    ArrangeControls();
}

void CLumivaneDlg::ArrangeControls() {
    m_bLayoutPending = false;
    if (isMinimized()) return;
    // The chain runs first, then the controls move; the panes' own size changes remap their trackers.
    m_state.ProcessImage(true);
    for (const dlg::Placement& placement : m_layout.Arrange(Size{width(), height()})) {
        if (QWidget* control = Control(placement.id)) control->setGeometry(ToQRect(placement.rect));
    }
    PlaceExactPreviewBox();
    update();
}

void CLumivaneDlg::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    UpdateMinimumSize();  // the window manager's frame becomes known after the window is shown
}

void CLumivaneDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    UpdateMinimumSize();
}

void CLumivaneDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (!FirstLocalFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CLumivaneDlg::dropEvent(QDropEvent* event) {
    // One picture at a time: of several files dropped together, the first is opened.
    const QString path = FirstLocalFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    m_pFiles->OpenPicture(path);
}

void CLumivaneDlg::UpdateMinimumSize() {
    const QSize frame = frameGeometry().size() - geometry().size();
    const Size minimum = dlg::MinimumClientSize(Size{frame.width(), frame.height()});
    if (minimumSize() != QSize(minimum.width, minimum.height)) setMinimumSize(minimum.width, minimum.height);
}
