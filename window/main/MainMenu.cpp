#include "MainMenu.h"

#include "Domain.h"
#include "LatinKeys.h"
#include "MenuBarStyle.h"
#include "MenuIcons.h"
#include "PlainToolTip.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>

namespace {

// Where an entry goes: the menu bar or one of the submenus.
enum class Place { Bar, Sheets, Group, GroupSex, GroupEducation, Save, Norm, Profiles, P1, P2, P3 };

enum class Kind { Item, Toggle, Submenu, Heading, Separator };

struct Entry {
    Kind kind;
    Place parent;
    const char* name;
    QString caption;
    QString hint = {}; // the text after '|' is the long form
    MenuIcon icon = MenuIcon::None;
    Command command = Command::OpenIndividual; // items only
    Place opens = Place::Bar;                  // submenus only
    QKeySequence shortcut = {};
};

QList<Entry> menuTable() {
    const QString raw = QStringLiteral("Сырые баллы");
    const QString percent = QStringLiteral("Баллы %");
    const QString chi = QStringLiteral("Х2 - мотивы");
    using K = Kind;
    using P = Place;
    using I = MenuIcon;
    using C = Command;
    // clang-format off
    return {
        {K::Item, P::Bar, "mmOpen", QStringLiteral("Индивид"),
         QStringLiteral("Загрузка из файла индивидуальных данных для анализа"), I::Open, C::OpenIndividual},
        {K::Submenu, P::Bar, "mmGroup", QStringLiteral("Группа"),
         QStringLiteral("Анализ данных по группе - директория \"Группа\"|"
                        "Предварительно надо выбрать нормирование"), I::Folder, {}, P::Group},
        {K::Heading, P::Group, "N1", QStringLiteral("Выбрать нормирование")},
        {K::Separator, P::Group, "N2", {}},
        {K::Submenu, P::Group, "mmGroupSex", QStringLiteral("Пол обследуемых"), {}, I::None, {}, P::GroupSex},
        {K::Item, P::GroupSex, "mmSexMan", ezr::MaleSex, {}, I::None, C::GroupMale},
        {K::Item, P::GroupSex, "mmSexWoman", ezr::FemaleSex, {}, I::None, C::GroupFemale},
        {K::Submenu, P::Group, "mmGroupEducation", QStringLiteral("Образование"), {}, I::None, {}, P::GroupEducation},
        {K::Item, P::GroupEducation, "mmEducHigh", ezr::HigherEducation, {}, I::None, C::GroupHigherEducation},
        {K::Item, P::GroupEducation, "mmEducAverage", ezr::SecondaryEducation, {}, I::None, C::GroupSecondaryEducation},
        {K::Item, P::Group, "mmGroupSatisfaction", QStringLiteral("Удовлетворенность"), {}, I::None, C::GroupSatisfaction},
        {K::Separator, P::Group, "N3", {}},
        {K::Item, P::Group, "mmDataFolder", QStringLiteral("Папка данных…"), {}, I::None, C::ChooseDataFolder},
        {K::Item, P::Group, "mmArchive", QStringLiteral("Архив…"), {}, I::None, C::Archive},

        // Response files made by the program itself: typed from paper or taken from a table.
        {K::Submenu, P::Bar, "mmSheets", QStringLiteral("Бланк"),
         QStringLiteral("Ввод бланков ответов и импорт таблицы в папку данных"), I::File, {}, P::Sheets},
        {K::Item, P::Sheets, "mmNewSheet", QStringLiteral("Новый бланк"), {}, I::None, C::NewSheet,
         {}, QKeySequence(Qt::CTRL | Qt::Key_N)},
        {K::Item, P::Sheets, "mmOpenSheet", QStringLiteral("Открыть бланк…"), {}, I::None, C::OpenSheet,
         {}, QKeySequence(Qt::CTRL | Qt::Key_E)},
        {K::Separator, P::Sheets, "N5", {}},
        {K::Item, P::Sheets, "mmImportTable", QStringLiteral("Импорт таблицы…"), {}, I::Table,
         C::ImportTable, {}, QKeySequence(Qt::CTRL | Qt::Key_I)},

        {K::Item, P::Bar, "mmExaminees", QStringLiteral("&Обследуемые"),
         QStringLiteral("Список обследуемых папки данных: поиск, отбор, анализ выбранных"),
         I::Table, C::ExamineeList, {}, QKeySequence(Qt::CTRL | Qt::Key_L)},

        {K::Submenu, P::Bar, "mmSave", QStringLiteral("Сохранить"),
         QStringLiteral("Сохранения данных анализа в текстовом файле"), I::Save, {}, P::Save},
        {K::Item, P::Save, "mmAnalysis", QStringLiteral("Данные анализа"), {}, I::File, C::SaveReport},
        {K::Item, P::Save, "mmSavePdf", QStringLiteral("Отчёт PDF"), {}, I::Pdf, C::SavePdfReport},
        {K::Item, P::Save, "mmSaveTable", QStringLiteral("Таблица…"), {}, I::Table, C::SaveTable},
        {K::Item, P::Save, "Chart4", QStringLiteral("Гистограмма"), {}, I::Bars, C::SaveProfileChart},
        {K::Item, P::Save, "mmPlotTime", QStringLiteral("График времени"), {}, I::Line, C::SaveAnswerTimeChart},
        // The group's own norm, and what group outputs may show of their members.
        {K::Separator, P::Save, "N7", {}},
        {K::Item, P::Save, "mmSaveNorm", QStringLiteral("Сохранить как норму…"), {}, I::None, C::SaveAsNorm},
        {K::Toggle, P::Save, "mmAnonymous", QStringLiteral("Без Ф.И.О."), {}, I::None, C::AnonymousOutputs},
        {K::Item, P::Save, "mmMinGroupSize", QStringLiteral("Минимальный размер группы…"), {}, I::None,
         C::MinimumGroupSize},

        {K::Submenu, P::Bar, "mmNorm", QStringLiteral("Нормирование"),
         QStringLiteral("Выбор нормирования для сравнения по Х2"), I::Contents, {}, P::Norm},
        {K::Item, P::Norm, "mmNormSex", QStringLiteral("Пол обследуемого"), {}, I::None, C::NormSex},
        {K::Item, P::Norm, "mmNormEducation", QStringLiteral("Образование"), {}, I::None, C::NormEducation},
        {K::Item, P::Norm, "mSatisfaction", QStringLiteral("Удовлетворенность"), {}, I::None, C::NormSatisfaction},

        {K::Submenu, P::Bar, "mmProfiles", QStringLiteral("Профили"),
         QStringLiteral("Выбор графиков по данным профилей"), I::Bars, {}, P::Profiles},
        {K::Submenu, P::Profiles, "N11", QStringLiteral("Профиль 1"), {}, I::None, {}, P::P1},
        {K::Item, P::P1, "mmProfile1A", raw, {}, I::None, C::Profile1Raw},
        {K::Item, P::P1, "mmProfile1B", percent, {}, I::None, C::Profile1Percent},
        {K::Item, P::P1, "mmProfile1C", chi, {}, I::None, C::Profile1Chi},
        {K::Submenu, P::Profiles, "N21", QStringLiteral("Профиль 2"), {}, I::None, {}, P::P2},
        {K::Item, P::P2, "mmProfile2A", raw, {}, I::None, C::Profile2Raw},
        {K::Item, P::P2, "mmProfile2B", percent, {}, I::None, C::Profile2Percent},
        {K::Item, P::P2, "mmProfile2C", chi, {}, I::None, C::Profile2Chi},
        {K::Submenu, P::Profiles, "N31", QStringLiteral("Профиль 3"), {}, I::None, {}, P::P3},
        {K::Item, P::P3, "mmProfile3A", raw, {}, I::None, C::Profile3Raw},
        {K::Item, P::P3, "mmProfile3B", percent, {}, I::None, C::Profile3Percent},
        {K::Item, P::P3, "mmProfile3C", chi, {}, I::None, C::Profile3Chi},
        {K::Separator, P::Profiles, "N41", {}},
        // Off at start: the charts and their pictures stay as they have always been.
        {K::Toggle, P::Profiles, "mmShowNorm", QStringLiteral("Показать норму"), {}, I::None, C::ShowNorm},
        // The group's cells tested against the norm: intervals, effect sizes, Holm's correction.
        {K::Item, P::Profiles, "mmStatistics", QStringLiteral("Статистика"), {}, I::None, C::Statistics,
         {}, QKeySequence(Qt::CTRL | Qt::Key_T)},

        {K::Item, P::Bar, "mmChartAnswerT", QStringLiteral("Время ответа"),
         QStringLiteral("Вывод графика времени ответов на утверждения"), I::Line, C::AnswerTimeChart},
        {K::Item, P::Bar, "mmComment", QStringLiteral("Комментарий"),
         QStringLiteral("Вывод панели для комментария к анализу"), I::Info, C::Comment},
    };
    // clang-format on
}

// The letter that opens an entry from the keyboard: one per menu, the first of its caption
// where the entries of a menu allow it.
const std::map<QByteArray, QChar>& mnemonicLetters() {
    static const std::map<QByteArray, QChar> letters = {
        {"mmOpen", u'И'},
        {"mmGroup", u'Г'},
        {"mmSheets", u'Б'},
        {"mmSave", u'С'},
        {"mmNorm", u'Н'},
        {"mmProfiles", u'П'},
        {"mmChartAnswerT", u'В'},
        {"mmComment", u'К'},
        // "Группа"
        {"N1", u'В'},
        {"mmGroupSex", u'П'},
        {"mmGroupEducation", u'О'},
        {"mmGroupSatisfaction", u'У'},
        {"mmDataFolder", u'д'},
        {"mmArchive", u'А'},
        {"mmSexMan", u'М'},
        {"mmSexWoman", u'Ж'},
        {"mmEducHigh", u'В'},
        {"mmEducAverage", u'С'},
        // "Бланк"
        {"mmNewSheet", u'Н'},
        {"mmOpenSheet", u'О'},
        {"mmImportTable", u'И'},
        // "Сохранить"
        {"mmAnalysis", u'Д'},
        {"mmSavePdf", u'О'},
        {"mmSaveTable", u'Т'},
        {"Chart4", u'Г'},
        {"mmPlotTime", u'в'},
        {"mmSaveNorm", u'С'},
        {"mmAnonymous", u'Б'},
        {"mmMinGroupSize", u'М'},
        // "Нормирование"
        {"mmNormSex", u'П'},
        {"mmNormEducation", u'О'},
        {"mSatisfaction", u'У'},
        // "Профили": the profile's number, then the values
        {"N11", u'1'},
        {"N21", u'2'},
        {"N31", u'3'},
        {"mmShowNorm", u'н'},
        {"mmStatistics", u'С'},
        {"mmProfile1A", u'С'},
        {"mmProfile1B", u'Б'},
        {"mmProfile1C", u'Х'},
        {"mmProfile2A", u'С'},
        {"mmProfile2B", u'Б'},
        {"mmProfile2C", u'Х'},
        {"mmProfile3A", u'С'},
        {"mmProfile3B", u'Б'},
        {"mmProfile3C", u'Х'},
    };
    return letters;
}

} // namespace

QString withMnemonic(const QString& caption, QChar letter) {
    const qsizetype at = caption.indexOf(letter);
    if (at < 0)
        return caption;
    return caption.left(at) + QLatin1Char('&') + caption.mid(at);
}

namespace {

// The object name, hint and picture of an item or of a submenu's entry.
void describe(QAction* action, const Entry& entry, const QStyle* style) {
    const auto letter = mnemonicLetters().find(QByteArray(entry.name));
    if (letter != mnemonicLetters().end())
        action->setText(withMnemonic(entry.caption, letter->second));
    action->setObjectName(QString::fromLatin1(entry.name));
    action->setStatusTip(entry.hint);
    action->setToolTip(entry.hint.section(QLatin1Char('|'), 0, 0));
    action->setIcon(menuIcon(entry.icon, style));
}

} // namespace

MainMenu::MainMenu(QMainWindow* window, const std::function<void(Command)>& run) : QObject(window) {
    QMenuBar* bar = window->menuBar();
    auto* barStyle = new MenuBarStyle(QApplication::style()->name());
    barStyle->setParent(this);
    bar->setStyle(barStyle);

    std::map<Place, QMenu*> menus;
    for (const Entry& entry : menuTable()) {
        QMenu* parent = entry.parent == Place::Bar ? nullptr : menus.at(entry.parent);
        QAction* action = nullptr;
        switch (entry.kind) {
        case Kind::Submenu: {
            auto* menu = new QMenu(entry.caption, window);
            menus[entry.opens] = menu;
            action = menu->menuAction();
            if (parent)
                parent->addMenu(menu);
            break;
        }
        case Kind::Item:
        case Kind::Toggle:
        case Kind::Heading:
            action = new QAction(entry.caption, window);
            action->setCheckable(entry.kind == Kind::Toggle);
            if (entry.kind != Kind::Heading) {
                const Command command = entry.command;
                connect(action, &QAction::triggered, this, [run, command] { run(command); });
                actions_[command] = action;
                action->setShortcut(entry.shortcut);
            }
            if (parent)
                parent->addAction(action);
            break;
        case Kind::Separator:
            parent->addSeparator()->setObjectName(QString::fromLatin1(entry.name));
            continue;
        }
        describe(action, entry, window->style());
        if (!parent) {
            bar->addAction(action);
            topLevel_.append(action);
        }
    }
    menus.at(Place::Group)->setToolTipsVisible(true); // the folder item names its folder
    groupMenu_ = menus.at(Place::Group);
    group_ = groupMenu_->menuAction();
    groupHint_ = group_->statusTip();
    save_ = menus.at(Place::Save)->menuAction();
    norm_ = menus.at(Place::Norm)->menuAction();
    normMenu_ = menus.at(Place::Norm);
    profiles_ = menus.at(Place::Profiles)->menuAction();
    answerLatinMnemonics(bar);
    update(MenuState{});
}

void MainMenu::showDataFolder(const QString& folder) {
    const QString hint = QStringLiteral("Папка данных: %1").arg(folder);
    QAction* item = action(Command::ChooseDataFolder);
    item->setStatusTip(hint);
    item->setToolTip(ezr::plainToolTip(hint));
    // The group entry keeps its own hint and names the folder it reads.
    const QString groupHint = groupHint_.section(QLatin1Char('|'), 0, 0);
    group_->setStatusTip(groupHint_ + QStringLiteral(". ") + hint);
    group_->setToolTip(ezr::plainToolTip(groupHint + QLatin1Char('\n') + hint));
}

void MainMenu::showArchive(const QString& conninfo) {
    const QString hint = QStringLiteral("Архив отдела: %1").arg(conninfo);
    group_->setStatusTip(groupHint_ + QStringLiteral(". ") + hint);
    group_->setToolTip(groupHint_.section(QLatin1Char('|'), 0, 0) + QLatin1Char('\n') + hint);
}

void MainMenu::showOwnNorms(const QStringList& titles) {
    qDeleteAll(ownNorms_);
    ownNorms_.clear();
    qDeleteAll(groupOwnNorms_);
    groupOwnNorms_.clear();
    if (titles.isEmpty())
        return;
    // Under "Группа" after the stored choices, before the data folder's item.
    QAction* folderSeparator = groupMenu_->findChild<QAction*>(QStringLiteral("N3"));
    QAction* groupSeparator = groupMenu_->insertSeparator(folderSeparator);
    groupSeparator->setObjectName(QStringLiteral("sepGroupOwnNorms"));
    groupOwnNorms_.append(groupSeparator);
    for (int index = 0; index < titles.size(); ++index) {
        auto* item =
            new QAction(QStringLiteral("&%1. %2").arg(index + 1).arg(titles[index]), groupMenu_);
        item->setObjectName(QStringLiteral("mmGroupOwnNorm%1").arg(index + 1));
        groupMenu_->insertAction(folderSeparator, item);
        connect(item, &QAction::triggered, this, [this, index] { emit groupOwnNormChosen(index); });
        groupOwnNorms_.append(item);
    }
    QAction* separator = normMenu_->addSeparator();
    separator->setObjectName(QStringLiteral("N8"));
    ownNorms_.append(separator);
    for (int index = 0; index < titles.size(); ++index) {
        // Numbered, so that the keyboard reaches each saved norm whatever its name.
        QAction* item =
            normMenu_->addAction(QStringLiteral("&%1. %2").arg(index + 1).arg(titles[index]));
        item->setObjectName(QStringLiteral("mmOwnNorm%1").arg(index + 1));
        connect(item, &QAction::triggered, this, [this, index] { emit ownNormChosen(index); });
        ownNorms_.append(item);
    }
}

void MainMenu::update(const MenuState& state) {
    for (QAction* item : topLevel_)
        item->setVisible(state.opened);
    action(Command::OpenIndividual)->setEnabled(state.opened);
    for (const Command command :
         {Command::NewSheet, Command::OpenSheet, Command::ImportTable, Command::ExamineeList})
        action(command)->setEnabled(state.opened);
    group_->setEnabled(state.opened);
    for (QAction* item : {save_, profiles_, action(Command::Comment)})
        item->setEnabled(state.analysisShown);
    // The norm menu stays with whoever opened an examinee once: a group run leaves it as it was.
    norm_->setEnabled(state.individualEverShown);
    // A group's answer times are not aggregated: no chart for it.
    action(Command::AnswerTimeChart)->setEnabled(state.individualShown);
    action(Command::SaveAnswerTimeChart)->setEnabled(state.answerTimeChartOn);
    action(Command::ShowNorm)->setChecked(state.normShown);
    action(Command::SaveAsNorm)->setEnabled(state.analysisShown && !state.individualShown);
    // An examinee has statistics against a norm saved with its members' spread.
    action(Command::Statistics)->setEnabled(state.analysisShown);
    action(Command::AnonymousOutputs)->setChecked(state.anonymous);
}
