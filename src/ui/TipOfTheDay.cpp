#include "ui/TipOfTheDay.h"

#include "kernel/Settings.h"
#include "ui/WindowLifetime.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QPointer<TTipOfTheDayForm> openTipWindow;

QLabel* clickable(QWidget* parent, const char* themeIcon, QStyle::StandardPixmap fallback, const QString& hint)
{
    auto* l = new QLabel(parent);
    const QIcon icon = QIcon::fromTheme(QLatin1String(themeIcon), parent->style()->standardIcon(fallback));
    l->setPixmap(icon.pixmap(24, 24));
    l->setCursor(Qt::PointingHandCursor);
    l->setToolTip(hint);
    return l;
}

} // namespace

const QStringList& TTipOfTheDayForm::Tips()
{
    static const QStringList tips = {
        QStringLiteral("Moduly|Quorvix sám nic needituje. Editory a nástroje přinášejí moduly ze složky Plugins; "
                       "seznam načtených modulů najdete v nabídce Nápověda."),
        QStringLiteral("Projekty|Soubory, se kterými pracujete společně, uložte do projektu. Projekt si pamatuje "
                       "plochy a jejich otevřené dokumenty."),
        QStringLiteral("Plochy|Každá plocha projektu má vlastní sadu otevřených dokumentů. Přepnutím plochy "
                       "se dokumenty jedné plochy zavřou a otevřou se dokumenty druhé."),
        QStringLiteral("Skripty|Skripty v jazyce podobném Pascalu mohou ovládat celý program: otevírat soubory, "
                       "spouštět příkazy nabídek a pracovat s projekty."),
        QStringLiteral("Událostní skripty|Procedury OnStartup, OnStarted, OnClosing a OnShutdown ve skriptu "
                       "Default.qx se spouštějí samy při startu a ukončení programu."),
        QStringLiteral("Externí nástroje|Do nabídky Nástroje si můžete přidat vlastní programy. Makra %file% a %dir% "
                       "se nahradí cestou k aktuálnímu dokumentu a jeho složce."),
        QStringLiteral("Přetahování souborů|Soubory můžete do okna programu přetáhnout myší; otevřou se v modulu, "
                       "který jejich typ umí zpracovat."),
        QStringLiteral("Automatické zálohování|Před každým uložením může Quorvix vytvořit záložní kopii dokumentu. "
                       "Nastavení najdete v možnostech programu."),
        QStringLiteral("Poznámky|Panel Poznámky je vždy po ruce pro rychlé zápisky; jeho obsah se uloží "
                       "při ukončení programu."),
        QStringLiteral("Klávesové zkratky|Zkratky všech příkazů si můžete upravit podle svých zvyklostí."),
        QStringLiteral("Příkazový řádek|Soubory uvedené na příkazovém řádku se otevřou po načtení modulů. "
                       "Přepínač /? vypíše všechny volby."),
        QStringLiteral("Celá obrazovka|Klávesou F11 přepnete do zobrazení přes celou obrazovku, kde zůstane jen "
                       "nabídka a dokumenty. Stejnou klávesou se vrátíte zpět."),
        QStringLiteral("Pozadí programu|V nabídce Zobrazit > Pozadí... můžete plochu za dokumenty vyplnit barvou "
                       "nebo tapetou, a to zvlášť pro normální režim a pro celou obrazovku."),
        QStringLiteral("Vrácení více kroků|Šipka vedle tlačítka Zpět otevře seznam posledních úprav. Kliknutím "
                       "na zvolený krok vrátíte najednou všechny úpravy až po něj."),
        QStringLiteral("Panel Dokumenty|Často používané soubory si přidejte do panelu Dokumenty. Odtud je otevřete "
                       "jedním kliknutím a panel si je pamatuje i po dalším spuštění."),
        QStringLiteral("Naposledy otevřené|Podnabídka Soubor > Otevřít nabízí soubory, se kterými jste pracovali "
                       "naposledy, takže je nemusíte znovu hledat."),
        QStringLiteral("Zástupce na ploše|Příkaz Soubor > Odeslat > Plocha jako zástupce... vytvoří na ploše zástupce "
                       "aktuálního dokumentu."),
        QStringLiteral("Odeslání poštou|Příkaz Soubor > Odeslat > Příjemce pošty... připraví zprávu s aktuálním "
                       "dokumentem v příloze a předá ji Vašemu poštovnímu programu."),
        QStringLiteral("Vlastnosti souboru|Příkaz Soubor > Vlastnosti... ukáže velikost a data dokumentu a dovolí "
                       "změnit jeho atributy."),
        QStringLiteral("Jiný editor pro dokument|Když soubor umí otevřít více modulů, můžete aktuální dokument "
                       "otevřít podruhé v jiném modulu a porovnat, který se Vám hodí víc."),
        QStringLiteral("Spouštění a ukončování|V nabídce Soubor > Nastavení > Spouštění a ukončování... určíte, "
                       "kam se zapisuje ladicí záznam a kde program hledá moduly, projekty a skripty. Změny platí "
                       "od příštího spuštění."),
        QStringLiteral("Uspořádání oken|Nabídka Okno uspořádá otevřené dokumenty do kaskády, vedle sebe nebo pod "
                       "sebe. Mezi okny přepnete příkazy Další a Předchozí."),
        QStringLiteral("Záložky|Moduly, které podporují záložky, dovolují přeskakovat mezi označenými místy "
                       "dokumentu příkazy Další záložka a Předchozí záložka."),
        QStringLiteral("Uložit vše|Příkaz Soubor > Uložit vše uloží najednou všechny otevřené dokumenty, "
                       "které změny obsahují."),
        QStringLiteral("Vaše nápady|Chybí Vám něco? Průvodce zprávou autorovi v nabídce Nápověda sestaví zprávu "
                       "s Vašimi připomínkami, kterou můžete uložit nebo poslat poštou."),
    };
    return tips;
}

TTipOfTheDayForm::TTipOfTheDayForm(QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Tip pro tento den"));
    setFont(QFont(QString::fromStdString(GetShellFont())));

    auto* picture = new QLabel(this);
    picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    auto* title = new QLabel(QStringLiteral("Víte že..."), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    Label3 = new QLabel(this);
    Label3->setFont(bold);
    Label2 = new QLabel(this);
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2->setMinimumHeight(70);
    Image4 = clickable(this, "go-previous", QStyle::SP_ArrowBack, QStringLiteral("Předchozí tip"));
    Image2 = clickable(this, "go-next", QStyle::SP_ArrowForward, QStringLiteral("Další tip"));
    Image3 = clickable(this, "window-close", QStyle::SP_DialogCloseButton, QStringLiteral("Zavřít"));
    for (QLabel* l : {Image2, Image3, Image4})
        l->installEventFilter(this);
    CheckBox1 = new QCheckBox(QStringLiteral("&Zobrazovat tipy po spuštění"), this);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(Label3);
    texts->addWidget(Label2, 1);
    top->addLayout(texts, 1);
    layout->addLayout(top, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(CheckBox1);
    bottom->addStretch();
    bottom->addWidget(Image4);
    bottom->addWidget(Image2);
    bottom->addWidget(Image3);
    layout->addLayout(bottom);
    setFixedWidth(440);

    CheckBox1->setChecked(TipOfTheDayEnabled());
    index_ = CurrentTip();
    ShowTip();
    adjustSize();
    if (mainWindow)
        move(mainWindow->window()->frameGeometry().center() - rect().center());
}

TTipOfTheDayForm::~TTipOfTheDayForm()
{
    StopWatchingChildren(this);
    // Settings writes may fail; a tip window must never take the program down.
    try {
        if (CheckBox1->isChecked() != TipOfTheDayEnabled())
            SetTipOfTheDayEnabled(CheckBox1->isChecked());
        int next = (index_ + 1) % Tips().size();
        if (next != CurrentTip())
            SetCurrentTip(next);
    } catch (const std::exception&) {
    }
}

void TTipOfTheDayForm::ShowTip()
{
    index_ = std::clamp(index_, 0, static_cast<int>(Tips().size()) - 1);
    const QString& tip = Tips()[index_];
    int bar = tip.indexOf(QLatin1Char('|'));
    Label3->setText(bar < 0 ? tip : tip.left(bar));
    Label2->setText(bar < 0 ? QString() : tip.mid(bar + 1));
}

void TTipOfTheDayForm::NextTip()
{
    index_ = (index_ + 1) % Tips().size();
    ShowTip();
}

void TTipOfTheDayForm::PreviousTip()
{
    index_ = (index_ + Tips().size() - 1) % Tips().size();
    ShowTip();
}

bool TTipOfTheDayForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Image2)
            NextTip();
        else if (watched == Image4)
            PreviousTip();
        else if (watched == Image3)
            close();
        else
            return QDialog::eventFilter(watched, event);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ShowTipOfTheDay(QWidget* mainWindow)
{
    if (!openTipWindow)
        openTipWindow = new TTipOfTheDayForm(mainWindow);
    openTipWindow->show();
    openTipWindow->raise();
    openTipWindow->activateWindow();
}

TTipOfTheDayForm* CurrentTipWindow()
{
    return openTipWindow.data();
}
