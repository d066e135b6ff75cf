#include "ui/journalwindow.h"
#include "ui/savefiledialog.h"
#include "ui_journalwindow.h"

#include <QDate>
#include <QDir>
#include <QHeaderView>
#include <QMessageBox>
#include <QSaveFile>
#include <QSettings>
#include <QSortFilterProxyModel>

#include <utility>

namespace {
const char ColumnsKey[] = "journal/columns";
} // namespace

JournalModel::JournalModel(Journal *journal, QObject *parent) : QAbstractTableModel(parent), journal_(journal)
{
    reload();
}

void JournalModel::reload()
{
    beginResetModel();
    entries_ = journal_->entries(&error_);
    endResetModel();
}

int JournalModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(entries_.size());
}

int JournalModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant JournalModel::data(const QModelIndex &index, int role) const
{
    if (index.isValid() && role == Qt::ToolTipRole) {
        // Whole, and wrapped: a tool tip of plain text is one line, cut at the screen's edge.
        const QString text = data(index, Qt::DisplayRole).toString();
        return text.isEmpty() ? QVariant()
                              : QStringLiteral("<p style=\"white-space:pre-wrap\">%1</p>").arg(text.toHtmlEscaped());
    }
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const JournalEntry &entry = entries_.at(index.row());
    switch (index.column()) {
    case Time: return entry.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Action:
        // The window is where most work is done; only the other source, and a
        // run on the simulated detector, are named.
        if (entry.source == JournalEntry::Source::CommandLine || entry.demo)
            return QStringLiteral("%1 (%2)").arg(Journal::kindText(entry.kind), Journal::originText(entry));
        return Journal::kindText(entry.kind);
    case Result: return Journal::resultText(entry);
    case Parameters: return Journal::detailsText(entry);
    case Note: return entry.note;
    }
    return {};
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Time: return QCoreApplication::translate("JournalWindow", "Время");
    case Action: return QCoreApplication::translate("JournalWindow", "Действие");
    case Result: return QCoreApplication::translate("JournalWindow", "Результат");
    case Parameters: return QCoreApplication::translate("JournalWindow", "Параметры");
    case Note: return QCoreApplication::translate("JournalWindow", "Примечание");
    }
    return {};
}

Qt::ItemFlags JournalModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return index.column() == Note ? flags | Qt::ItemIsEditable : flags;
}

bool JournalModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.column() != Note || role != Qt::EditRole)
        return false;
    JournalEntry &entry = entries_[index.row()];
    const QString note = value.toString();
    if (note == entry.note)
        return true;
    QString error;
    if (!journal_->setNote(entry.id, note, &error)) {
        emit noteFailed(error);
        return false;
    }
    entry.note = note;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

JournalWindow::JournalWindow(Journal *journal, QWidget *parent)
    : QWidget(parent), ui(new Ui::JournalWindow), journal(journal)
{
    ui->setupUi(this);
    setWindowFlag(Qt::Window);

    model = new JournalModel(journal, this);
    filter = new QSortFilterProxyModel(this);
    filter->setSourceModel(model);
    filter->setFilterKeyColumn(-1); // any column
    filter->setFilterCaseSensitivity(Qt::CaseInsensitive);
    ui->table->setModel(filter);
    // Every column may be dragged wider or narrower; the note, the last, takes what is left.
    ui->table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);

    connect(ui->filter, &QLineEdit::textChanged, filter, &QSortFilterProxyModel::setFilterFixedString);
    connect(ui->filter, &QLineEdit::textChanged, this, &JournalWindow::showStatus);
    connect(ui->exportButton, &QPushButton::clicked, this, &JournalWindow::chooseExportFile);
    connect(model, &JournalModel::noteFailed, ui->status, &QLabel::setText);
    showStatus();
}

JournalWindow::~JournalWindow()
{
    delete ui;
}

void JournalWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (std::exchange(columnsSet, true))
        return;
    if (!ui->table->horizontalHeader()->restoreState(programSettings().value(QLatin1String(ColumnsKey)).toByteArray()))
        fitColumns();
}

void JournalWindow::hideEvent(QHideEvent *event)
{
    if (columnsSet)
        programSettings().setValue(QLatin1String(ColumnsKey), ui->table->horizontalHeader()->saveState());
    QWidget::hideEvent(event);
}

void JournalWindow::fitColumns()
{
    // Each column as wide as its texts, but the note, which the installer
    // edits, keeps a quarter of the width: the free texts (the result with what
    // failed, the parameters) give way for it, each in proportion to its width,
    // and show themselves whole in their tool tips.
    QHeaderView *header = ui->table->horizontalHeader();
    int used = 0;
    for (int column = 0; column < JournalModel::Note; ++column) {
        ui->table->resizeColumnToContents(column);
        used += header->sectionSize(column);
    }
    const int room = ui->table->viewport()->width() * 3 / 4;
    const int free = header->sectionSize(JournalModel::Result) + header->sectionSize(JournalModel::Parameters);
    if (used <= room || free == 0)
        return;
    const int excess = used - room;
    for (int column : {JournalModel::Result, JournalModel::Parameters}) {
        const int width = header->sectionSize(column);
        header->resizeSection(column, qMax(header->sectionSizeHint(column), width - excess * width / free));
    }
}

void JournalWindow::refresh()
{
    model->reload();
    showStatus();
}

void JournalWindow::showStatus()
{
    if (!model->readError().isEmpty()) {
        ui->status->setText(model->readError());
        return;
    }
    if (!journal->isWritable()) {
        ui->status->setText(journal->errorString());
        return;
    }
    ui->status->setText(QCoreApplication::translate("JournalWindow", "Записей: %1 из %2")
                            .arg(filter->rowCount())
                            .arg(model->rowCount()));
}

bool JournalWindow::exportCsv(const QString &path, char separator, QString *error) const
{
    QVector<JournalEntry> shown;
    shown.reserve(filter->rowCount());
    for (int row = 0; row < filter->rowCount(); ++row)
        shown.append(model->entry(filter->mapToSource(filter->index(row, 0)).row()));

    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(Journal::toCsv(shown, separator)) >= 0 && file.commit())
        return true;
    if (error) {
        *error = QCoreApplication::translate("JournalWindow", "Файл %1 не записан: %2.")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
    }
    return false;
}

void JournalWindow::chooseExportFile()
{
    const QString name =
        QCoreApplication::translate("JournalWindow", "журнал-%1.csv").arg(QDate::currentDate().toString(Qt::ISODate));
    const QString path = exportCsvAsked(this, QCoreApplication::translate("JournalWindow", "Экспорт CSV"), name,
                                        QStringLiteral("journal"),
                                        [this](const QString &to, char separator, QString *error) {
                                            return exportCsv(to, separator, error);
                                        });
    if (path.isEmpty())
        return;
    ui->status->setText(QCoreApplication::translate("JournalWindow", "Сохранено записей: %1 в %2")
                            .arg(filter->rowCount())
                            .arg(QDir::toNativeSeparators(path)));
}
