#pragma once
#include "dialog.h"

class QComboBox;

// "Zoom Diagram": the magnification in percent, typed or picked from a list.
class CZoomDlg : public CDialog {
    Q_OBJECT
public:
    enum { IDD = 619, IDC_ZOOM = 45586, IDC_ZOOM_100 = 45583 };

    explicit CZoomDlg(QWidget* parent = nullptr);

    void SetZoom(int percent);
    // The leading digits of the text, at least 1.
    int GetZoom() const;

    void DoDataExchange(CDataExchange* pDX) override;

private:
    // Cuts the typed text at its first character that is not a digit.
    void OnEditUpdate(const QString& text);
    void OnZoom100();

    QString m_strZoom = QStringLiteral("100");
    QComboBox* m_pCombo;
};
