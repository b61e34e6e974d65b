// The strip under the log: ready, running, then the verdict with its mark; a click opens the
// panel, and the strip never takes the focus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStatusBar>

#include "support/run_fixture.h"
#include "ui/findings_panel.h"
#include "ui/window_fixture.h"

namespace {

class InicioStripTest : public testing_support::WindowTest {
 protected:
  void SetUp() override {
    testing_support::WriteStandardCatalog(dir_);
    tools::DbfBuilder claims(testing_support::ClaimsLayout());
    claims.Add({"01234", "POL1", "000001", "1", "300", "20230231"});
    claims.Write(dir_.file("sinistros.dbf"));
    Control<QLineEdit>("edArqSinistro")
        ->setText(QString::fromStdString(dir_.file("sinistros.dbf")));
  }
};

TEST_F(InicioStripTest, ReadyThenRunningThenTheVerdictAndAClickOpensThePanel) {
  window_->show();
  auto* text = Control<QLabel>("lbVeredito");
  auto* mark = Control<QLabel>("lbMarca");
  EXPECT_EQ(text->text(), QStringLiteral("Pronto"));
  EXPECT_FALSE(mark->isVisible());
  QString during;
  desktop_->on_notice = [&] { during = text->text(); };
  ASSERT_TRUE(RunAndWait());
  EXPECT_EQ(during, QStringLiteral("Criticando…"));
  // The claims file alone: rejected, the risks file missing.
  EXPECT_TRUE(text->text().startsWith(QStringLiteral("Rejeitado: 1 motivo, ")))
      << text->text().toStdString();
  EXPECT_TRUE(text->text().endsWith(QStringLiteral(". Painel de falhas: Ctrl+Shift+F")));
  ASSERT_TRUE(mark->isVisible());
  const QImage image = mark->pixmap().toImage();
  EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2).rgb() & 0xFFFFFF, 0xB71C1Cu);

  EXPECT_EQ(Control<QStatusBar>("sbVeredito")->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(window_->findings_panel() == nullptr || !window_->findings_panel()->isVisible(), true);
  const QPointF at(text->width() / 2.0, text->height() / 2.0);
  QMouseEvent press(QEvent::MouseButtonPress, at, text->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, at, text->mapToGlobal(at), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(text, &press);
  QApplication::sendEvent(text, &release);
  ASSERT_NE(window_->findings_panel(), nullptr);
  EXPECT_TRUE(window_->findings_panel()->isVisible());
}

}  // namespace
