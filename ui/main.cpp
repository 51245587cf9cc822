#include "ui/main.h"

#include "engine/encrypthtml.h"
#include "engine/textbytes.h"
#include "settings/passwordsettings.h"
#include "ui/linklabel.h"
#include "ui/mainoptions.h"
#include "uikit/controls.h"
#include "uikit/handlers.h"
#include "uikit/pictures.h"
#include "uikit/prompts.h"
#include "uikit/strings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>

TFormMain* FormMain = nullptr;

namespace
{
    using Controls::Make;
    using Controls::MakeNavy;
    using Controls::SetCaption;
    using Controls::SetLabel;

    const QString s_initialPassword = QStringLiteral("pvkmsto");
    const QString s_userPreviewPassword = QStringLiteral("[ User: \"default\"   Password: \"Rb4vTqLm9Xe\" ]");
    constexpr int s_passwordMaxLength = int(TextBytes::MaxPasswordLength);

    // The tool-bar images, by image number.
    const char* const s_toolImages[] = {
        ":/images/tool-add-file.svg", // 0
        ":/images/tool-add-folder.svg", // 1
        ":/images/tool-delete-file.svg", // 2
        ":/images/tool-delete-all.svg", // 3
        ":/images/tool-save-list.svg", // 4
        ":/images/tool-load-list.svg", // 5
        ":/images/tool-preview.svg", // 6
        ":/images/tool-add-user.svg", // 7
        ":/images/tool-remove-user.svg", // 8
        ":/images/tool-remove-all-users.svg", // 9
        ":/images/tool-edit-user.svg", // 10
    };
    constexpr int s_toolImageExtent = 32;
    constexpr int s_glyphExtent = 16;

    // Shows the whole text of a cell as its tool tip when the cell is too narrow for it, and no tip otherwise:
    // paths are long, and a cut one cannot be read any other way.
    class CutTextTipDelegate : public QStyledItemDelegate
    {
    public:
        using QStyledItemDelegate::QStyledItemDelegate;

        bool helpEvent(QHelpEvent* event,
                       QAbstractItemView* view,
                       const QStyleOptionViewItem& option,
                       const QModelIndex& index) override
        {
            if (event->type() != QEvent::ToolTip) {
                return QStyledItemDelegate::helpEvent(event, view, option, index);
            }
            QStyleOptionViewItem cell = option;
            initStyleOption(&cell, index);
            if (IsCut(cell, view)) {
                QToolTip::showText(event->globalPos(), cell.text, view, option.rect);
            } else {
                QToolTip::hideText();
            }
            return true;
        }

    private:
        // The room the style leaves for the text: the cell's text rectangle less the margin it draws inside.
        static bool IsCut(const QStyleOptionViewItem& cell, const QWidget* view)
        {
            if (cell.text.isEmpty()) {
                return false;
            }
            const QStyle* style = view->style();
            const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &cell, view) + 1;
            const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, view);
            return cell.fontMetrics.horizontalAdvance(cell.text) > text.width() - 2 * margin;
        }
    };

    // Lines between the cells, for the list view that shows a grid.
    class GridDelegate : public CutTextTipDelegate
    {
    public:
        using CutTextTipDelegate::CutTextTipDelegate;

        void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
        {
            CutTextTipDelegate::paint(painter, option, index);
            painter->save();
            painter->setPen(option.palette.color(QPalette::Midlight));
            painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
            painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
            painter->restore();
        }
    };

    QLabel* MakeTitle(QWidget* parent, const char* name)
    {
        QLabel* label = Make<QLabel>(parent, name);
        QFont title = label->font();
        title.setBold(true);
        title.setPointSizeF(title.pointSizeF() * 1.45);
        label->setFont(title);
        return label;
    }

    QLabel* MakeWrapped(QWidget* parent, const char* name)
    {
        QLabel* label = Make<QLabel>(parent, name);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        // The page's other controls set its width; the text wraps within it and sets only the height.
        QSizePolicy policy = label->sizePolicy();
        policy.setHorizontalPolicy(QSizePolicy::Ignored);
        label->setSizePolicy(policy);
        return label;
    }

    QPushButton* MakeButton(QWidget* parent, const char* name, const char* themeName, QStyle::StandardPixmap fallback)
    {
        QPushButton* button = Make<QPushButton>(parent, name);
        button->setIcon(Pictures::ThemeIcon(QLatin1String(themeName), fallback, s_glyphExtent));
        button->setIconSize(QSize(s_glyphExtent, s_glyphExtent));
        button->setAutoDefault(false);
        button->setMinimumWidth(73);
        return button;
    }

    QToolButton* MakeToolButton(QToolBar* bar, const char* name, int image)
    {
        QToolButton* button = Make<QToolButton>(bar, name);
        button->setIcon(Pictures::ImageIcon(QLatin1String(s_toolImages[image]), s_toolImageExtent));
        button->setIconSize(QSize(s_toolImageExtent, s_toolImageExtent));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::TabFocus);
        button->setMinimumSize(39, 38);
        bar->addWidget(button);
        return button;
    }

    QFrame* MakeToolSeparator(QToolBar* bar, const char* name)
    {
        QFrame* separator = Make<QFrame>(bar, name);
        separator->setFrameShape(QFrame::VLine);
        separator->setFrameShadow(QFrame::Sunken);
        separator->setFixedWidth(8);
        bar->addWidget(separator);
        return separator;
    }

    QToolBar* MakeToolBar(QWidget* parent, const char* name)
    {
        QToolBar* bar = Make<QToolBar>(parent, name);
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->setIconSize(QSize(s_toolImageExtent, s_toolImageExtent));
        bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        bar->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        return bar;
    }

    // A report-style list: whole rows, no tree decoration, not editable, not sortable.
    QTreeWidget* MakeListView(QWidget* parent, const char* name, QAbstractItemView::SelectionMode selection)
    {
        QTreeWidget* view = Make<QTreeWidget>(parent, name);
        view->setRootIsDecorated(false);
        view->setItemsExpandable(false);
        view->setUniformRowHeights(true);
        view->setAllColumnsShowFocus(true);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setSelectionMode(selection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setSortingEnabled(false);
        view->header()->setSectionsClickable(false);
        view->header()->setSectionsMovable(false);
        view->header()->setStretchLastSection(false);
        view->setMinimumHeight(100);
        view->setItemDelegate(new CutTextTipDelegate(view));
        return view;
    }

    // The second column (a path, or the password) takes the width the view gains when the window grows.
    void SetColumns(QTreeWidget* view, const QList<std::pair<QString, int>>& columns)
    {
        view->setColumnCount(static_cast<int>(columns.size()));
        QStringList captions;
        for (const auto& column : columns) {
            captions.append(column.first);
        }
        view->setHeaderLabels(captions);
        // The designed width, or wider where a larger font needs it for the caption.
        for (int i = 0; i < columns.size(); ++i) {
            view->setColumnWidth(i, qMax(columns.at(i).second, view->header()->sectionSizeHint(i)));
        }
        view->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    }

    QComboBox* MakeDropDown(QWidget* parent, const char* name, int width)
    {
        QComboBox* combo = Make<QComboBox>(parent, name);
        combo->setEditable(false);
        combo->setMinimumWidth(width);
        combo->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        return combo;
    }

    void Fill(QComboBox* combo, const QStringList& items)
    {
        combo->clear();
        combo->addItems(items);
        combo->setCurrentIndex(0);
    }

    QLineEdit* MakePasswordEdit(QWidget* parent, const char* name)
    {
        QLineEdit* edit = Make<QLineEdit>(parent, name);
        edit->setMaxLength(s_passwordMaxLength);
        edit->setMinimumWidth(qMax(133, edit->fontMetrics().averageCharWidth() * 22));
        edit->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        return edit;
    }

    void SetHint(QAbstractButton* button, const QString& hint)
    {
        button->setToolTip(hint);
        button->setAccessibleName(hint);
    }

    void SetEchoMode(bool hidden, QLineEdit* first, QLineEdit* second)
    {
        const QLineEdit::EchoMode mode = hidden ? QLineEdit::Password : QLineEdit::Normal;
        first->setEchoMode(mode);
        second->setEchoMode(mode);
    }

    // Keeps a hidden page's or panel's room in the layout, so the window's designed size fits every page.
    void KeepRoomWhenHidden(QWidget* widget)
    {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
    }

    // Gives a word-wrapped label the height of the tallest of the texts it will show, so that a change of
    // text never changes the window's designed size.
    void ReserveHeight(QLabel* label, int width, const QStringList& texts)
    {
        int height = 0;
        for (const QString& text : texts) {
            height = qMax(height,
                          label->fontMetrics()
                              .boundingRect(QRect(0, 0, width, 10000), Qt::TextWordWrap | Qt::AlignLeft, text)
                              .height());
        }
        label->setMinimumHeight(height);
    }

    QVBoxLayout* PageLayout(QWidget* page)
    {
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(4, 2, 4, 0);
        layout->setSpacing(6);
        return layout;
    }
} // namespace

TFormMain::TFormMain(QWidget* parent) : QWidget(parent, Qt::Window)
{
    buildWindow();
    connectHandlers();
    FormCreate();
    // The designed size, the one that fits every page, is where the window starts and the least it shrinks
    // to. It may grow, and the lists grow with it.
    layout()->activate();
    setMinimumSize(sizeHint());
    resize(minimumSize());
    // Laid out anew at that size: a hidden window's resize alone does not place its children.
    layout()->invalidate();
    layout()->activate();
    // The side picture fills the pages' height at that size and keeps it: stretched further it would distort.
    ImgLogo->setFixedHeight(PnlStep0->parentWidget()->height());
    placeOnScreen();
}

TFormMain::~TFormMain()
{
    if (FormMain == this) {
        FormMain = nullptr;
    }
}

QList<QWidget*> TFormMain::stepPages() const
{
    if (PasswordType == Encrypthtml::SinglePassword) {
        return {PnlStep0, PnlStep1, PnlStep2, PnlStep3, PnlStep4};
    }
    return {PnlStep0, PnlStep1, PnlStep2, PnlUserList, PnlStep3, PnlStep4};
}

void TFormMain::placeOnScreen()
{
    // The designed place, moved up and left as far as needed to keep the whole window on a small or
    // magnified screen.
    layout()->activate();
    const QRect available = screen()->availableGeometry();
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const QPoint designed(149, 149);
    move(qMax(available.left(), qMin(designed.x(), available.right() + 1 - width())),
         qMax(available.top(), qMin(designed.y(), available.bottom() + 1 - height() - titleBar)));
}

void TFormMain::buildWindow()
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(Pictures::ProgramIcon());

    // The fixed buttons are made first: the focus goes Help, Back, Next, Exit and then into the page.
    BtnHelp = MakeButton(this, "BtnHelp", "help-contents", QStyle::SP_DialogHelpButton);
    BtnBack = MakeButton(this, "BtnBack", "go-previous", QStyle::SP_ArrowBack);
    BtnNext = MakeButton(this, "BtnNext", "go-next", QStyle::SP_ArrowForward);
    BtnExit = MakeButton(this, "BtnExit", "application-exit", QStyle::SP_DialogCloseButton);

    ImgLogo = Make<QLabel>(this, "ImgLogo");
    ImgLogo->setFixedWidth(105);
    ImgLogo->setMinimumHeight(237);
    ImgLogo->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    ImgLogo->setScaledContents(true);
    ImgLogo->setPixmap(Pictures::Render(QStringLiteral(":/images/logo.svg"), QSize(105, 237), 3.0));

    auto* pages = new QWidget(this);
    auto* pageStack = new QGridLayout(pages);
    pageStack->setContentsMargins(0, 0, 0, 0);
    pages->setMinimumWidth(380);
    PnlStep0 = buildStep0();
    PnlStep1 = buildStep1();
    PnlStep2 = buildStep2();
    PnlUserList = buildUserList();
    PnlStep3 = buildStep3();
    PnlStep4 = buildStep4();
    for (QWidget* page : {PnlStep0, PnlStep1, PnlStep2, PnlUserList, PnlStep3, PnlStep4}) {
        page->setParent(pages);
        KeepRoomWhenHidden(page);
        pageStack->addWidget(page, 0, 0);
    }

    BevelLine = Make<QFrame>(this, "BevelLine");
    BevelLine->setFrameShape(QFrame::HLine);
    BevelLine->setFrameShadow(QFrame::Sunken);

    auto* top = new QHBoxLayout;
    top->setSpacing(7);
    // At the top and at its own size: the picture is not stretched when the window grows.
    top->addWidget(ImgLogo, 0, Qt::AlignTop);
    top->addWidget(pages);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnHelp);
    buttons->addStretch(1);
    buttons->addWidget(BtnBack);
    buttons->addSpacing(-3);
    buttons->addWidget(BtnNext);
    buttons->addSpacing(12);
    buttons->addWidget(BtnExit);

    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(8, 8, 8, 8);
    window->addLayout(top, 1);
    window->addWidget(BevelLine);
    window->addLayout(buttons);
}

QWidget* TFormMain::buildStep0()
{
    auto* page = Make<QWidget>(this, "PnlStep0");
    LblStep0Logo = MakeTitle(page, "LblStep0Logo");
    LblStep0Features = MakeWrapped(page, "LblStep0Features");
    LblStep0Copyright = Make<QLabel>(page, "LblStep0Copyright");
    LblStep0Website = Make<LinkLabel>(page, "LblStep0Website");
    LblStep0Email = Make<LinkLabel>(page, "LblStep0Email");
    BtnAbout = MakeButton(page, "BtnAbout", "help-about", QStyle::SP_MessageBoxInformation);

    auto* maker = new QGridLayout;
    maker->setVerticalSpacing(4);
    maker->addWidget(LblStep0Copyright, 0, 0);
    maker->addWidget(LblStep0Website, 1, 0, Qt::AlignLeft);
    maker->addWidget(LblStep0Email, 2, 0, Qt::AlignLeft);
    maker->addWidget(BtnAbout, 0, 1, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
    maker->setColumnStretch(0, 1);

    QVBoxLayout* layout = PageLayout(page);
    layout->addWidget(LblStep0Logo);
    layout->addWidget(LblStep0Features);
    layout->addStretch(1);
    layout->addLayout(maker);
    return page;
}

QWidget* TFormMain::buildStep1()
{
    auto* page = Make<QWidget>(this, "PnlStep1");
    LblStep1Logo = MakeTitle(page, "LblStep1Logo");
    LblStep1Content = MakeWrapped(page, "LblStep1Content");
    TBarStep1 = MakeToolBar(page, "TBarStep1");
    TbnAddFile = MakeToolButton(TBarStep1, "TbnAddFile", 0);
    TbnAddFolder = MakeToolButton(TBarStep1, "TbnAddFolder", 1);
    TbnDelFile = MakeToolButton(TBarStep1, "TbnDelFile", 2);
    TbnDelAll = MakeToolButton(TBarStep1, "TbnDelAll", 3);
    TbnSeperator = MakeToolSeparator(TBarStep1, "TbnSeperator");
    TbnSaveFileList = MakeToolButton(TBarStep1, "TbnSaveFileList", 4);
    TbnLoadFileList = MakeToolButton(TBarStep1, "TbnLoadFileList", 5);
    ChkBackupFile = Make<QCheckBox>(page, "ChkBackupFile");
    LvwFileList = MakeListView(page, "LvwFileList", QAbstractItemView::ExtendedSelection);
    // Files and folders dropped from a file manager are added (eventFilter in mainfiles.cpp).
    LvwFileList->viewport()->setAcceptDrops(true);
    LvwFileList->viewport()->installEventFilter(this);

    auto* tools = new QHBoxLayout;
    tools->addWidget(TBarStep1);
    tools->addStretch(1);
    tools->addWidget(ChkBackupFile);

    QVBoxLayout* layout = PageLayout(page);
    layout->addWidget(LblStep1Logo);
    layout->addWidget(LblStep1Content);
    layout->addLayout(tools);
    layout->addWidget(LvwFileList, 1);
    return page;
}

QWidget* TFormMain::buildStep2()
{
    auto* page = Make<QWidget>(this, "PnlStep2");
    LblStep2Logo = MakeTitle(page, "LblStep2Logo");
    LblStep2Content = MakeWrapped(page, "LblStep2Content");
    CmbPasswordType = MakeDropDown(page, "CmbPasswordType", 181);

    PnlSinglePassword = Make<QWidget>(page, "PnlSinglePassword");
    LblPassword = Make<QLabel>(PnlSinglePassword, "LblPassword");
    EditPassword = MakePasswordEdit(PnlSinglePassword, "EditPassword");
    LblConfirmPassword = Make<QLabel>(PnlSinglePassword, "LblConfirmPassword");
    EditConfirmPassword = MakePasswordEdit(PnlSinglePassword, "EditConfirmPassword");
    LblPasswordLimit = MakeNavy(PnlSinglePassword, "LblPasswordLimit");
    ChkNotShowPassword = Make<QCheckBox>(PnlSinglePassword, "ChkNotShowPassword");

    PnlUserPassword = Make<QWidget>(page, "PnlUserPassword");
    LblMasterPassword = Make<QLabel>(PnlUserPassword, "LblMasterPassword");
    EditMasterPassword = MakePasswordEdit(PnlUserPassword, "EditMasterPassword");
    LblConfirmMasterPassword = Make<QLabel>(PnlUserPassword, "LblConfirmMasterPassword");
    EditConfirmMasterPassword = MakePasswordEdit(PnlUserPassword, "EditConfirmMasterPassword");
    LblMasterPasswordLimit = MakeNavy(PnlUserPassword, "LblMasterPasswordLimit");
    ChkNotShowMasterPassword = Make<QCheckBox>(PnlUserPassword, "ChkNotShowMasterPassword");
    LblMasterPasswordContent = MakeWrapped(PnlUserPassword, "LblMasterPasswordContent");

    // Both panels: labels right-aligned before their boxes, limit and switch below the boxes.
    const auto layOut = [](QWidget* panel,
                           QLabel* label,
                           QLineEdit* edit,
                           QLabel* confirmLabel,
                           QLineEdit* confirmEdit,
                           QLabel* limit,
                           QCheckBox* hide) {
        auto* grid = new QGridLayout(panel);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->setVerticalSpacing(4);
        grid->addWidget(label, 0, 0, Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(edit, 0, 1);
        grid->addWidget(confirmLabel, 1, 0, Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(confirmEdit, 1, 1);
        grid->addWidget(limit, 2, 1);
        grid->addWidget(hide, 3, 1);
        grid->setColumnStretch(2, 1);
        return grid;
    };
    layOut(PnlSinglePassword,
           LblPassword,
           EditPassword,
           LblConfirmPassword,
           EditConfirmPassword,
           LblPasswordLimit,
           ChkNotShowPassword)
        ->setRowStretch(4, 1);
    layOut(PnlUserPassword,
           LblMasterPassword,
           EditMasterPassword,
           LblConfirmMasterPassword,
           EditConfirmMasterPassword,
           LblMasterPasswordLimit,
           ChkNotShowMasterPassword)
        ->addWidget(LblMasterPasswordContent, 4, 0, 1, 3);

    auto* panels = new QGridLayout;
    for (QWidget* panel : {PnlSinglePassword, PnlUserPassword}) {
        KeepRoomWhenHidden(panel);
        panels->addWidget(panel, 0, 0);
    }

    QVBoxLayout* layout = PageLayout(page);
    layout->addWidget(LblStep2Logo);
    layout->addWidget(LblStep2Content);
    layout->addWidget(CmbPasswordType);
    layout->addLayout(panels);
    layout->addStretch(1);
    return page;
}

QWidget* TFormMain::buildUserList()
{
    auto* page = Make<QWidget>(this, "PnlUserList");
    LblAddUserList = MakeTitle(page, "LblAddUserList");
    LblAddUserContent = MakeWrapped(page, "LblAddUserContent");
    TbrAddUser = MakeToolBar(page, "TbrAddUser");
    TbnAddUser = MakeToolButton(TbrAddUser, "TbnAddUser", 7);
    TbnEditUser = MakeToolButton(TbrAddUser, "TbnEditUser", 10);
    TbnDelUser = MakeToolButton(TbrAddUser, "TbnDelUser", 8);
    TbnDelAllUser = MakeToolButton(TbrAddUser, "TbnDelAllUser", 9);
    ToolButton6 = MakeToolSeparator(TbrAddUser, "ToolButton6");
    TbnSaveUser = MakeToolButton(TbrAddUser, "TbnSaveUser", 4);
    TbnLoadUser = MakeToolButton(TbrAddUser, "TbnLoadUser", 5);
    LvwUserList = MakeListView(page, "LvwUserList", QAbstractItemView::SingleSelection);
    LvwUserList->setItemDelegate(new GridDelegate(LvwUserList));
    LblUserPasswordContent = MakeWrapped(page, "LblUserPasswordContent");
    // A narrow column beside the list, as wide as the design says or as the font needs.
    QSizePolicy column = LblUserPasswordContent->sizePolicy();
    column.setHorizontalPolicy(QSizePolicy::Fixed);
    LblUserPasswordContent->setSizePolicy(column);
    LblUserPasswordContent->setFixedWidth(qMax(117, fontMetrics().averageCharWidth() * 19));

    auto* list = new QHBoxLayout;
    list->addWidget(LvwUserList, 1);
    list->addWidget(LblUserPasswordContent);

    QVBoxLayout* layout = PageLayout(page);
    layout->addWidget(LblAddUserList);
    layout->addWidget(LblAddUserContent);
    layout->addWidget(TbrAddUser);
    layout->addLayout(list, 1);
    return page;
}

QWidget* TFormMain::buildStep3()
{
    auto* page = Make<QWidget>(this, "PnlStep3");
    LblStep3Logo = MakeTitle(page, "LblStep3Logo");
    LblStep3Content = MakeWrapped(page, "LblStep3Content");
    LblProtectionType = Make<QLabel>(page, "LblProtectionType");
    CmbProtectionType = MakeDropDown(page, "CmbProtectionType", 165);
    LblProtectionContent = MakeWrapped(page, "LblProtectionContent");
    LblPageColor = Make<QLabel>(page, "LblPageColor");
    CmbPageColor = MakeDropDown(page, "CmbPageColor", 165);
    BtnColorPreview = MakeButton(page, "BtnColorPreview", "document-print-preview", QStyle::SP_FileDialogContentsView);
    LblPreviewPassword = MakeNavy(page, "LblPreviewPassword");
    LblEncryption = Make<QLabel>(page, "LblEncryption");
    CmbEncryption = MakeDropDown(page, "CmbEncryption", 165);
    LblEncryptionContent = MakeWrapped(page, "LblEncryptionContent");

    auto* colour = new QHBoxLayout;
    colour->addWidget(CmbPageColor);
    colour->addWidget(BtnColorPreview);
    colour->addStretch(1);

    QVBoxLayout* layout = PageLayout(page);
    layout->addWidget(LblStep3Logo);
    layout->addWidget(LblStep3Content);
    layout->addWidget(LblProtectionType);
    layout->addWidget(CmbProtectionType);
    layout->addWidget(LblProtectionContent);
    layout->addWidget(LblPageColor);
    layout->addLayout(colour);
    layout->addWidget(LblPreviewPassword);
    layout->addWidget(LblEncryption);
    layout->addWidget(CmbEncryption);
    layout->addWidget(LblEncryptionContent);
    layout->addStretch(1);
    return page;
}

QWidget* TFormMain::buildStep4()
{
    auto* page = Make<QWidget>(this, "PnlStep4");
    LblStep4Logo = MakeTitle(page, "LblStep4Logo");
    LblStep4Content = MakeWrapped(page, "LblStep4Content");
    TbarStep4 = MakeToolBar(page, "TbarStep4");
    TbnShow = MakeToolButton(TbarStep4, "TbnShow", 6);
    BtnCreate = MakeButton(page, "BtnCreate", "document-encrypt", QStyle::SP_DialogApplyButton);
    LvwFileShow = MakeListView(page, "LvwFileShow", QAbstractItemView::SingleSelection);

    auto* tools = new QHBoxLayout;
    tools->addWidget(TbarStep4);
    tools->addStretch(1);
    tools->addWidget(BtnCreate);
    tools->addSpacing(20);

    QVBoxLayout* layout = PageLayout(page);
    layout->addWidget(LblStep4Logo);
    layout->addWidget(LblStep4Content);
    layout->addLayout(tools);
    layout->addWidget(LvwFileShow, 1);
    return page;
}

void TFormMain::connectHandlers()
{
    Handlers::Connect(BtnHelp, &QPushButton::clicked, this, &TFormMain::BtnHelpClick);
    Handlers::Connect(BtnBack, &QPushButton::clicked, this, &TFormMain::BtnBackClick);
    Handlers::Connect(BtnNext, &QPushButton::clicked, this, &TFormMain::BtnNextClick);
    Handlers::Connect(BtnExit, &QPushButton::clicked, this, &TFormMain::BtnExitClick);

    Handlers::Connect(LblStep0Website, &LinkLabel::clicked, this, &TFormMain::LblStep0WebsiteClick);
    Handlers::Connect(LblStep0Email, &LinkLabel::clicked, this, &TFormMain::LblStep0EmailClick);
    Handlers::Connect(BtnAbout, &QPushButton::clicked, this, &TFormMain::BtnAboutClick);

    Handlers::Connect(TbnAddFile, &QToolButton::clicked, this, &TFormMain::TbnAddFileClick);
    Handlers::Connect(TbnAddFolder, &QToolButton::clicked, this, &TFormMain::TbnAddFolderClick);
    Handlers::Connect(TbnDelFile, &QToolButton::clicked, this, &TFormMain::TbnDelFileClick);
    Handlers::Connect(TbnDelAll, &QToolButton::clicked, this, &TFormMain::TbnDelAllClick);
    Handlers::Connect(TbnSaveFileList, &QToolButton::clicked, this, &TFormMain::TbnSaveFileListClick);
    Handlers::Connect(TbnLoadFileList, &QToolButton::clicked, this, &TFormMain::TbnLoadFileListClick);

    // Only a choice by the user runs a change handler; a selection made by code does not.
    Handlers::Connect(CmbPasswordType, &QComboBox::activated, this, &TFormMain::CmbPasswordTypeChange);
    Handlers::Connect(ChkNotShowPassword, &QCheckBox::toggled, this, &TFormMain::ChkNotShowPasswordClick);
    Handlers::Connect(ChkNotShowMasterPassword, &QCheckBox::toggled, this, &TFormMain::ChkNotShowMasterPasswordClick);

    Handlers::Connect(TbnAddUser, &QToolButton::clicked, this, &TFormMain::TbnAddUserClick);
    Handlers::Connect(TbnEditUser, &QToolButton::clicked, this, &TFormMain::TbnEditUserClick);
    Handlers::Connect(TbnDelUser, &QToolButton::clicked, this, &TFormMain::TbnDelUserClick);
    Handlers::Connect(TbnDelAllUser, &QToolButton::clicked, this, &TFormMain::TbnDelAllUserClick);
    Handlers::Connect(TbnSaveUser, &QToolButton::clicked, this, &TFormMain::TbnSaveUserClick);
    Handlers::Connect(TbnLoadUser, &QToolButton::clicked, this, &TFormMain::TbnLoadUserClick);

    Handlers::Connect(CmbProtectionType, &QComboBox::activated, this, &TFormMain::CmbProtectionTypeChange);
    Handlers::Connect(CmbPageColor, &QComboBox::activated, this, &TFormMain::CmbPageColorChange);
    Handlers::Connect(BtnColorPreview, &QPushButton::clicked, this, &TFormMain::BtnColorPreviewClick);
    Handlers::Connect(CmbEncryption, &QComboBox::activated, this, &TFormMain::CmbEncryptionChange);

    Handlers::Connect(TbnShow, &QToolButton::clicked, this, &TFormMain::TbnShowClick);
    Handlers::Connect(BtnCreate, &QPushButton::clicked, this, &TFormMain::BtnCreateClick);
}

void TFormMain::FormCreate()
{
    using Strings::LoadStr;

    // 1. Captions, texts and hints.
    setWindowTitle(LoadStr(1));
    SetCaption(BtnHelp, LoadStr(100));
    SetCaption(BtnBack, LoadStr(102));
    SetCaption(BtnNext, LoadStr(103));
    SetCaption(BtnExit, LoadStr(104));

    LblStep0Logo->setText(LoadStr(204));
    LblStep0Features->setText(LoadStr(203));
    LblStep0Copyright->setText(LoadStr(202));
    LblStep0Website->setText(LoadStr(105));
    LblStep0Email->setText(LoadStr(106));
    SetCaption(BtnAbout, LoadStr(201));

    LblStep1Logo->setText(LoadStr(301));
    LblStep1Content->setText(LoadStr(302));
    SetHint(TbnAddFile, LoadStr(304));
    SetHint(TbnAddFolder, LoadStr(305));
    SetHint(TbnDelFile, LoadStr(306));
    SetHint(TbnDelAll, LoadStr(307));
    SetHint(TbnSaveFileList, LoadStr(308));
    SetHint(TbnLoadFileList, LoadStr(309));
    SetCaption(ChkBackupFile, LoadStr(303));

    LblStep2Logo->setText(LoadStr(401));
    // The page's text asks for the password type, so it labels the type's drop-down list.
    SetLabel(LblStep2Content, CmbPasswordType, LoadStr(402));
    SetLabel(LblPassword, EditPassword, LoadStr(403));
    SetLabel(LblConfirmPassword, EditConfirmPassword, LoadStr(405));
    LblPasswordLimit->setText(PasswordSettings::LengthHint());
    SetCaption(ChkNotShowPassword, LoadStr(406));
    SetLabel(LblMasterPassword, EditMasterPassword, QStringLiteral("Master Password"));
    SetLabel(LblConfirmMasterPassword, EditConfirmMasterPassword, QStringLiteral("Confirm Master Password:"));
    LblMasterPasswordLimit->setText(PasswordSettings::LengthHint());
    SetCaption(ChkNotShowMasterPassword, LoadStr(406));
    LblMasterPasswordContent->setText(
        QStringLiteral("Master password is used to encrypt html pages. It should be known only by the "
                       "administrator, and no users will ever need to know it. "));
    for (QLineEdit* edit : {EditPassword, EditConfirmPassword, EditMasterPassword, EditConfirmMasterPassword}) {
        edit->setText(s_initialPassword);
    }

    LblAddUserList->setText(QStringLiteral("Add User List"));
    LblAddUserContent->setText(QStringLiteral("Edit User List: you can add user, del user, edit user, save user "
                                              "list to lst file, load user list from file;"));
    SetHint(TbnAddUser, QStringLiteral("Add user"));
    SetHint(TbnEditUser, QStringLiteral("Edit user"));
    SetHint(TbnDelUser, QStringLiteral("Remove user"));
    SetHint(TbnDelAllUser, QStringLiteral("Remove all users"));
    SetHint(TbnSaveUser, QStringLiteral("Save user list to lst file"));
    SetHint(TbnLoadUser, QStringLiteral("Load user list from lst file"));
    LblUserPasswordContent->setText(
        QStringLiteral("\"Save user list to list file\" will save the user/password list in a text file, so you "
                       "can load it again when you want to lock another html file with the same user list."));

    LblStep3Logo->setText(LoadStr(501));
    LblStep3Content->setText(LoadStr(502));
    SetLabel(LblProtectionType, CmbProtectionType, LoadStr(504));
    SetLabel(LblPageColor, CmbPageColor, LoadStr(505));
    SetCaption(BtnColorPreview, LoadStr(503));
    SetLabel(LblEncryption, CmbEncryption, LoadStr(510));

    LblStep4Logo->setText(LoadStr(601));
    LblStep4Content->setText(LoadStr(602));
    SetHint(TbnShow, LoadStr(603));
    SetCaption(BtnCreate, LoadStr(604));
    BtnCreate->setToolTip(LoadStr(605));

    // 2. Backups on.
    ChkBackupFile->setChecked(true);

    // 3. The list views' columns.
    SetColumns(LvwFileList, {{LoadStr(310), 100}, {LoadStr(311), 200}, {LoadStr(312), 60}});
    LvwFileList->setAccessibleName(QStringLiteral("File list"));
    SetColumns(LvwUserList, {{QStringLiteral("User"), 80}, {QStringLiteral("Password"), 140}});
    LvwUserList->setAccessibleName(QStringLiteral("User list"));
    SetColumns(LvwFileShow, {{LoadStr(606), 100}, {LoadStr(607), 170}, {LoadStr(608), 90}});
    LvwFileShow->setAccessibleName(QStringLiteral("Encrypted files"));

    // 4. Single password.
    Fill(CmbPasswordType, PageOptions::PasswordTypeCaptions());
    PnlSinglePassword->show();
    PnlUserPassword->hide();
    PasswordType = PageOptions::PasswordTypeCode(0);

    // 5. Protection type, page colour and encryption.
    Fill(CmbProtectionType, PageOptions::ProtectionCaptions());
    ProtectionType = PageOptions::ProtectionCode(0);
    Fill(CmbPageColor, PageOptions::ColorCaptions());
    PageColor = PageOptions::ColorCode(0);
    LblProtectionContent->setText(LoadStr(PageOptions::ProtectionTextId(0)));
    LblPreviewPassword->setText(LoadStr(509));
    Fill(CmbEncryption, PageOptions::EncryptionCaptions());
    Encryption = PageOptions::EncryptionCode(0);
    LblEncryptionContent->setText(LoadStr(PageOptions::EncryptionTextId(0)));
    // The width of the pages is known once the texts are in and the layout has run.
    layout()->activate();
    const QMargins margins = PnlStep3->layout()->contentsMargins();
    const int textWidth = PnlStep3->parentWidget()->width() - margins.left() - margins.right();
    ReserveHeight(LblProtectionContent, textWidth, PageOptions::ProtectionTexts());
    ReserveHeight(LblEncryptionContent, textWidth, PageOptions::EncryptionTexts());

    // 6. The welcome page.
    for (QWidget* page : {PnlStep0, PnlStep1, PnlStep2, PnlUserList, PnlStep3, PnlStep4}) {
        page->hide();
    }
    CurrentStep = -1;
    ShowStep(0);
}

void TFormMain::ShowStep(int n)
{
    const QList<QWidget*> pages = stepPages();
    const int last = static_cast<int>(pages.size()) - 1;
    if (n < 0 || n > last) {
        return;
    }
    if (CurrentStep >= 0 && CurrentStep <= last) {
        pages.at(CurrentStep)->hide();
    }
    BtnBack->setEnabled(n != 0);
    // Disabled while it holds the focus, Next would pass it along the chain to Exit, where one more Space from a
    // user stepping through with the keyboard ends the program and drops the job. Back is enabled on the last page.
    if (n == last && focusWidget() == BtnNext) {
        BtnBack->setFocus(Qt::TabFocusReason);
    }
    BtnNext->setEnabled(n != last);
    CurrentStep = n;
    pages.at(n)->show();
}

void TFormMain::BtnBackClick()
{
    const int target = CurrentStep > 0 ? CurrentStep - 1 : 0;
    if (target != CurrentStep) {
        ShowStep(target);
    }
}

void TFormMain::BtnNextClick()
{
    constexpr int passwordPage = 2;
    if (CurrentStep == passwordPage && !CheckPassword()) {
        return;
    }
    const int last = static_cast<int>(stepPages().size()) - 1;
    const int target = CurrentStep < last ? CurrentStep + 1 : last;
    if (target != CurrentStep) {
        ShowStep(target);
    }
}

void TFormMain::BtnExitClick()
{
    close();
}

void TFormMain::CmbPasswordTypeChange()
{
    const bool single = PageOptions::PasswordTypeCode(CmbPasswordType->currentIndex()) == Encrypthtml::SinglePassword;
    PnlSinglePassword->setVisible(single);
    PnlUserPassword->setVisible(!single);
    PasswordType = PageOptions::PasswordTypeCode(CmbPasswordType->currentIndex());
    LblPreviewPassword->setText(single ? Strings::LoadStr(509) : s_userPreviewPassword);
}

void TFormMain::ChkNotShowPasswordClick()
{
    SetEchoMode(ChkNotShowPassword->isChecked(), EditPassword, EditConfirmPassword);
}

void TFormMain::ChkNotShowMasterPasswordClick()
{
    SetEchoMode(ChkNotShowMasterPassword->isChecked(), EditMasterPassword, EditConfirmMasterPassword);
}

QLineEdit* TFormMain::passwordBox() const
{
    return PasswordType == Encrypthtml::SinglePassword ? EditPassword : EditMasterPassword;
}

QLineEdit* TFormMain::confirmationBox() const
{
    return PasswordType == Encrypthtml::SinglePassword ? EditConfirmPassword : EditConfirmMasterPassword;
}

QString TFormMain::EffectivePassword() const
{
    return PasswordSettings::Trimmed(passwordBox()->text());
}

bool TFormMain::confirmLockPassword(const QString& password)
{
    if (password != s_initialPassword) {
        return true;
    }
    return Prompts::WarningQuestion(this,
                                    QStringLiteral("The pages would open with the sample password \"%1\" that every "
                                                   "copy of this program shows. Lock them with it anyway?")
                                        .arg(s_initialPassword));
}

bool TFormMain::CheckPassword()
{
    if (const auto refusal = PasswordSettings::CheckPasswordPair(passwordBox()->text(), confirmationBox()->text())) {
        Prompts::Warning(this, *refusal);
        return false;
    }
    return true;
}
