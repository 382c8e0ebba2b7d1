#include "acquire/CCameraControlsDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

CCameraControlsDlg::CCameraControlsDlg(V4l2Controls& controls, QWidget* parent)
    : QDialog(parent), m_device(controls), m_controls(controls.List()) {
    setWindowTitle(tr("Camera Settings"));
    auto* layout = new QVBoxLayout(this);
    if (m_controls.empty()) {
        m_pNone = new QLabel(tr("This camera has no settings of its own."), this);
        layout->addWidget(m_pNone);
    } else {
        auto* form = new QFormLayout;
        for (const CameraControl& control : m_controls) {
            const QString name = QString::fromStdString(control.name);
            const std::uint32_t id = control.id;
            if (control.kind == CameraControl::Kind::CheckBox) {
                auto* box = new QCheckBox(this);
                box->setChecked(control.value == control.onValue);
                const std::int32_t on = control.onValue;
                const std::int32_t off = control.offValue;
                connect(box, &QCheckBox::toggled, this,
                        [this, id, on, off](bool checked) { static_cast<void>(m_device.Set(id, checked ? on : off)); });
                form->addRow(name, box);
            } else {
                auto* slider = new QSlider(Qt::Horizontal, this);
                slider->setRange(control.minimum, control.maximum);
                slider->setSingleStep(control.step);
                slider->setValue(control.value);
                slider->setMinimumWidth(200);
                auto* value = new QLabel(QString::number(control.value), this);
                connect(slider, &QSlider::valueChanged, this, [this, id, value](int v) {
                    value->setText(QString::number(v));
                    static_cast<void>(m_device.Set(id, v));
                });
                auto* row = new QHBoxLayout;
                row->addWidget(slider);
                row->addWidget(value);
                form->addRow(name, row);
            }
        }
        layout->addLayout(form);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}
