#include "imaging/dialogs/CSliderTripleDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "base/DialogUnitMapping.h"

namespace {

QString PositionText(int position) {
    return QString::asprintf("%d%%", position);
}

}  // namespace

CSliderTripleDlg::CSliderTripleDlg(EffectBinding binding, const Layout& layout, QWidget* parent)
    : QDialog(parent), m_binding(std::move(binding)) {
    setWindowTitle(layout.title);
    BuildControls(layout);

    // Opening: the sliders go to the values with no notification, so nothing is written and the chain does not run.
    for (int row = 0; row < kRows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        m_nSaved[i] = *m_binding.values[i];
        QSignalBlocker quiet(m_pSliders[i]);
        m_pSliders[i]->setValue(std::clamp(m_nSaved[i], std::int32_t{kMinimum}, std::int32_t{kMaximum}));
        m_pValueLabels[i]->setText(PositionText(m_pSliders[i]->value()));
    }
    if (m_pLock != nullptr) {
        m_bLock = true;
        m_pLock->setChecked(true);
        connect(m_pLock, &QCheckBox::toggled, this, &CSliderTripleDlg::OnLockToggled);
    }
    for (int row = 0; row < kRows; ++row) {
        // valueChanged rather than sliderReleased: with tracking on it comes at every step of a drag, so the preview
        // follows the thumb.
        connect(m_pSliders[static_cast<std::size_t>(row)], &QSlider::valueChanged, this,
                [this, row](int) { OnSliderChanged(row); });
    }
    connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CSliderTripleDlg::BuildControls(const Layout& layout) {
    auto* rows = new QGridLayout;
    rows->setColumnStretch(1, 1);
    const int labelWidth = fontMetrics().horizontalAdvance(PositionText(kMaximum));
    for (int row = 0; row < kRows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        const SliderRow& description = layout.rows[i];

        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setObjectName(QStringLiteral("slider%1").arg(description.sliderId));
        slider->setRange(kMinimum, kMaximum);
        slider->setTickPosition(QSlider::NoTicks);
        slider->setTracking(true);
        slider->setAccessibleName(description.caption);

        auto* caption = new QLabel(description.caption + QLatin1Char(':'), this);
        caption->setBuddy(slider);

        auto* value = new QLabel(this);
        value->setObjectName(QStringLiteral("value%1").arg(description.labelId));
        value->setMinimumWidth(labelWidth);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

        rows->addWidget(caption, row, 0);
        rows->addWidget(slider, row, 1);
        rows->addWidget(value, row, 2);
        m_pSliders[i] = slider;
        m_pValueLabels[i] = value;
    }
    if (layout.hasLock) {
        m_pLock = new QCheckBox(tr("&Lock the three channels together"), this);
        m_pLock->setObjectName(QStringLiteral("lock1016"));
        rows->addWidget(m_pLock, kRows, 0, 1, 3);
    }

    m_pOk = new QPushButton(layout.okText, this);
    m_pOk->setObjectName(QStringLiteral("button1"));
    m_pOk->setDefault(true);
    m_pOk->setAutoDefault(true);
    m_pCancel = new QPushButton(tr("Cancel"), this);
    m_pCancel->setObjectName(QStringLiteral("button2"));
    m_pCancel->setAutoDefault(false);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_pOk);
    buttons->addWidget(m_pCancel);
    buttons->addStretch(1);

    auto* whole = new QHBoxLayout(this);
    whole->addLayout(rows, 1);
    whole->addLayout(buttons);

    setFixedSize(dlg::DluToPixelsX(layout.widthDlu), dlg::DluToPixelsY(layout.heightDlu));
}

void CSliderTripleDlg::OnSliderChanged(int row) {
    if (m_bLock) {
        const int position = m_pSliders[static_cast<std::size_t>(row)]->value();
        for (QSlider* other : m_pSliders) {
            // Quietly: the one movement gives one write and one run.
            QSignalBlocker quiet(other);
            other->setValue(position);
        }
    }
    ApplyPositions();
}

void CSliderTripleDlg::OnLockToggled(bool on) {
    m_bLock = on;
    if (!m_bLock) return;
    const int red = m_pSliders[0]->value();
    for (int row = 1; row < kRows; ++row) {
        QSignalBlocker quiet(m_pSliders[static_cast<std::size_t>(row)]);
        m_pSliders[static_cast<std::size_t>(row)]->setValue(red);
    }
    ApplyPositions();
}

void CSliderTripleDlg::ApplyPositions() {
    for (std::size_t i = 0; i < kRows; ++i) m_pValueLabels[i]->setText(PositionText(m_pSliders[i]->value()));
    for (std::size_t i = 0; i < kRows; ++i) *m_binding.values[i] = m_pSliders[i]->value();
    m_binding.rerunPreview();
}

void CSliderTripleDlg::RestoreValues() {
    for (std::size_t i = 0; i < kRows; ++i) *m_binding.values[i] = m_nSaved[i];
    m_binding.rerunPreview();
}

void CSliderTripleDlg::reject() {
    RestoreValues();
    QDialog::reject();
}
