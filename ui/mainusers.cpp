// The user list page: adding, editing, removing, saving and loading users.

#include "ui/main.h"

#include "engine/textbytes.h"
#include "settings/passwordsettings.h"
#include "settings/userlistfile.h"
#include "settings/userpassword.h"
#include "uikit/prompts.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTreeWidget>

#include <optional>

namespace
{
    // The first row becomes current but nothing is selected: a user who tabs into the list sees where the
    // keyboard is and moves on from there, while Edit and Remove still act only on a row that was picked.
    void FirstRowCurrentNoneSelected(QTreeWidget* view)
    {
        view->clearSelection();
        view->selectionModel()->setCurrentIndex(view->model()->index(0, 0), QItemSelectionModel::NoUpdate);
    }

    struct TypedUser
    {
        QString name;
        QString password;
    };

    // Shows the user dialog with the caption and texts given; the trimmed name and password once it closes with
    // OK and both are there, nothing otherwise.
    std::optional<TypedUser> AskUser(const QString& caption, const QString& name, const QString& password)
    {
        FormUserPassword->setWindowTitle(caption);
        FormUserPassword->LblUser->setText(name);
        // The box takes at most 25 typed characters, but a password loaded from a file may be longer. The box
        // would cut it short unseen; shown whole, the dialog's check refuses it instead.
        FormUserPassword->LblPassword->setMaxLength(qMax(int(TextBytes::MaxPasswordLength), int(password.size())));
        FormUserPassword->LblPassword->setText(password);
        if (FormUserPassword->exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        TypedUser typed{PasswordSettings::Trimmed(FormUserPassword->LblUser->text()),
                        PasswordSettings::Trimmed(FormUserPassword->LblPassword->text())};
        if (typed.name.isEmpty() || typed.password.isEmpty()) {
            return std::nullopt;
        }
        return typed;
    }

    QTreeWidgetItem* SelectedRow(QTreeWidget* view)
    {
        const QList<QTreeWidgetItem*> selected = view->selectedItems();
        return selected.isEmpty() ? nullptr : selected.first();
    }

    QString EntryOf(const QTreeWidgetItem* row)
    {
        return UserList::makeEntry(row->text(0), row->text(1));
    }

    const QString s_errorTitle = QStringLiteral("Error!");
} // namespace

void TFormMain::TbnAddUserClick()
{
    const std::optional<TypedUser> typed = AskUser(QStringLiteral("Add User"), QString(), QString());
    if (!typed) {
        return;
    }
    if (const std::optional<QString> refusal = UserList.addUser(typed->name, typed->password)) {
        Prompts::Plain(this, s_errorTitle, *refusal);
        return;
    }
    FillUserListView();
}

void TFormMain::TbnEditUserClick()
{
    const QTreeWidgetItem* row = SelectedRow(LvwUserList);
    if (!row) {
        Prompts::Plain(this, QStringLiteral("Warning"), QStringLiteral("You should select a user first!"));
        return;
    }
    const QString oldName = row->text(0);
    const QString oldPassword = row->text(1);
    const std::optional<TypedUser> typed = AskUser(QStringLiteral("Edit User"), oldName, oldPassword);
    if (!typed || (typed->name == oldName && typed->password == oldPassword)) {
        return;
    }
    const std::optional<QString> refusal =
        UserList.editUser(UserList::makeEntry(oldName, oldPassword), typed->name, typed->password);
    if (refusal) {
        Prompts::Plain(this, s_errorTitle, *refusal);
    }
    FillUserListView();
}

void TFormMain::TbnDelUserClick()
{
    QTreeWidgetItem* row = SelectedRow(LvwUserList);
    if (!row) {
        return;
    }
    UserList.removeEntry(EntryOf(row));
    delete row;
    // The view would make the next row current and selected, and a second press would remove a user nobody
    // chose.
    FirstRowCurrentNoneSelected(LvwUserList);
}

void TFormMain::TbnDelAllUserClick()
{
    LvwUserList->clear();
    UserList.clear();
}

void TFormMain::TbnSaveUserClick()
{
    const QString path = Prompts::SaveFileName(this, UserListFile::Filter, UserListFile::DefaultSuffix);
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!UserListFile::Save(UserList, path, &error)) {
        Prompts::Error(this, error);
    }
}

void TFormMain::TbnLoadUserClick()
{
    const QString path = Prompts::OpenFileName(this, UserListFile::Filter);
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!UserListFile::Load(UserList, path, &error)) {
        Prompts::Error(this, error);
        return;
    }
    FillUserListView();
}

void TFormMain::FillUserListView()
{
    LvwUserList->clear();
    QList<QTreeWidgetItem*> rows;
    for (const QString& entry : UserList.entries()) {
        rows.append(new QTreeWidgetItem(QStringList{UserList::nameOf(entry), UserList::passwordOf(entry)}));
    }
    LvwUserList->addTopLevelItems(rows);
    FirstRowCurrentNoneSelected(LvwUserList);
}
