#pragma once

#include <QDialog>

// The about box of the help menu: the application picture, the product name, its version and the
// legal notice, on the panel grey. The about command creates it without a parent, runs it modally
// and deletes it.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};
