// The reference of the start-up benchmark: the smallest Qt Widgets dialog a program shows (a
// label and a button), with nothing else loaded.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QDialog dialog;
  dialog.setWindowTitle(QStringLiteral("Minimal dialog"));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(QStringLiteral("A minimal Qt Widgets dialog."), &dialog));
  auto* close = new QPushButton(QStringLiteral("Close"), &dialog);
  QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
  layout->addWidget(close);
  dialog.resize(320, 120);
  dialog.show();
  return app.exec();
}
