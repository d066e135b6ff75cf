// The journal window: the journal's entries, newest first, narrowed by a
// filter box, with notes edited in place and the shown entries exported as CSV.
#ifndef ZORVEL_MAINWINDOW_JOURNALWINDOW_H
#define ZORVEL_MAINWINDOW_JOURNALWINDOW_H

#include <QAbstractTableModel>
#include <QVector>
#include <QWidget>

#include "storage/journal.h"

class QSortFilterProxyModel;

namespace Ui {
class JournalWindow;
}

// The entries as a table: time, what was done, result, parameters, note.
// Only the note is editable; an edit is stored in the journal at once.
class JournalModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Time, Action, Result, Parameters, Note, ColumnCount };

    explicit JournalModel(Journal *journal, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    void reload();
    const JournalEntry &entry(int row) const { return entries_.at(row); }
    // Why the last reload did not read every entry; empty when it did.
    QString readError() const { return error_; }

signals:
    // A note could not be stored; the text says why.
    void noteFailed(const QString &reason);

private:
    Journal *journal_;
    QVector<JournalEntry> entries_;
    QString error_;
};

class JournalWindow : public QWidget
{
    Q_OBJECT

public:
    // The journal stays the caller's and must outlive the window.
    explicit JournalWindow(Journal *journal, QWidget *parent = nullptr);
    ~JournalWindow() override;

    // Writes the entries the filter lets through, in the order shown, through
    // QSaveFile: a failed export leaves any earlier file untouched.
    bool exportCsv(const QString &path, char separator = ',', QString *error = nullptr) const;

public slots:
    // Reads the journal again; the main window calls it after new entries.
    void refresh();

private slots:
    void chooseExportFile();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void showStatus();
    void fitColumns();

    Ui::JournalWindow *ui;
    Journal *journal;
    JournalModel *model;
    QSortFilterProxyModel *filter;
    bool columnsSet = false; // restored from the last session, or fitted at the first showing
};

#endif
