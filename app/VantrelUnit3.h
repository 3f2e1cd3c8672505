// The print dialog ("一覧印刷" / "詳細印刷") and the printer's side of a
// print: its capabilities and a document on it. The current printer is the
// one the window keeps, so a choice made with "セットアップ" stays for the
// next print.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>

#include "app/Printing.h"
#include "model/Feedback.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QWidget;

namespace vantrel {

class QtCanvas;

// A print on a QPrinter: a system printer through CUPS or a PDF file, whose
// name is asked for when the print begins (unless askForFile is false and
// the printer has its file already).
class PrinterDocument : public PrintDocument {
 public:
  PrinterDocument(QPrinter& printer, QWidget* parent, bool askForFile = true);
  ~PrinterDocument() override;
  PrinterCaps Caps() const override;
  bool Begin() override;
  Canvas& Page() override;
  void NewPage() override;
  void End() override;

 private:
  QPrinter& printer_;
  QWidget* parent_;
  bool askForFile_;
  std::unique_ptr<QtCanvas> canvas_;
};

PrinterCaps CapsOf(const QPrinter& printer);

// The printer Vantrel prints on first: the system's default, or a PDF file
// where the system has no printer.
void ChoosePrinterFor(QPrinter& printer);

class TForm3 : public QDialog {
 public:
  // list: "一覧印刷" (columns and pages of files), else "詳細印刷" (range).
  TForm3(QPrinter& printer, bool list, int files, QWidget* parent);

  int Columns() const;
  int Rows() const;
  int ColourMode() const;  // 0 カラー, 1 黒, 2 カラー反転
  int Range() const;       // 0 全体, 1 現画面
  ProgressSink& Progress() { return progress_; }
  bool PrintFlag = false;
  // Runs the print with the dialog's choices; the dialog closes after it.
  std::function<void(TForm3&)> onPrint;

  QLabel* Label3 = nullptr;  // printer
  QLabel* Label5 = nullptr;  // paper
  QLabel* Label4 = nullptr;  // 縦 / 横
  QPushButton* SpeedButton1 = nullptr;
  QButtonGroup* RadioGroup1 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QSpinBox* UpDown1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QGroupBox* RadioGroup2Box = nullptr;
  QButtonGroup* RadioGroup2 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;

  void FormCreate();
  void UpDown1Click();
  void SpeedButton1Click();
  void Button1Click();
  void Button2Click();

 private:
  class BarProgress : public ProgressSink {
   public:
    QProgressBar* bar = nullptr;
    int Position() const override;
    void SetPosition(int position) override;
    int Max() const override;
    void SetMax(int max) override;
  };

  QPrinter& printer_;
  int files_ = 0;
  BarProgress progress_;
};

}  // namespace vantrel
