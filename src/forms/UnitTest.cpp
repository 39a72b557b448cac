#include "UnitTest.h"
#include "ui_UnitTest.h"

TFormTest *FormTest = nullptr;

TFormTest::TFormTest()
    : TForm(BorderIcons::None)
    , ui(std::make_unique<Ui::TFormTest>())
{
    ui->setupUi(this);
    finishCreate();
}

TFormTest::~TFormTest() = default;
