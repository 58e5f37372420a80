// The one controller: owns the main window, the main web view and every
// table of panes and sites, and answers the engine for the views it governs.
// Its members are defined in delegate_<group>.cpp of their subsystem's folder.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/alive.h"
#include "app/config.h"
#include "host/platform.h"
#include "panes/recovery.h"
#include "policy/do_not_disturb.h"

namespace qv {

struct PageCall;

class Delegate final : public ScriptMessageHandler, public WebViewPolicy {
 public:
  Delegate(Host host, Config config);

  // app/
  void applicationDidFinishLaunching();
  void menu();
  void recargar();

  // bridge/
  void scriptMessage(const nlohmann::json& body) override;
  void fetch(const nlohmann::json& body);
  void responde(const std::string& id, const std::string& data, const std::string& error);
  // A reply that comes later, only for the document that asked.
  void responde(std::uint64_t document, const std::string& id, const std::string& data,
                const std::string& error);

  // panes/
  void colocaWeb(const std::string& slot, const std::string& url, const Rect& frame);
  void colocaVideo(const std::string& slot, const std::string& id, const std::string& tipo,
                   const std::string& hls, std::int64_t vol, const Rect& frame);

  // sites/
  WebView* sitioWeb(const std::string& key);
  void sitioMostrar(const std::string& key);
  void sesionFija(const std::string& key);

  // policy/
  NavigationDecision decideNavigation(WebView& view, const NavigationAction& action) override;
  void newWindowRequested(WebView& view, const std::optional<std::string>& url,
                          const Requester& requester) override;
  bool grantsMediaCapture() override;
  bool grantsNotifications(WebView& view) override;
  bool deliversNotification(WebView& view) override;
  void notificationClicked(WebView& view) override;
  void alert(const std::string& message, std::function<void()> done) override;
  void confirm(const std::string& message, std::function<void(bool)> done) override;
  void chooseFiles(bool multiple,
                   std::function<void(std::optional<std::vector<std::string>>)> done) override;
  std::string downloadDestination(const std::string& suggestedName) override;
  void downloadFinished() override;

  // Read-only views of the tables, for tests.
  WebView* mainWebView() const { return webView.get(); }
  const std::map<std::string, std::unique_ptr<WebView>>& panesWeb() const { return webs; }
  const std::map<std::string, std::unique_ptr<WebView>>& panesVideo() const { return vids; }
  const std::map<std::string, std::string>& videoKeys() const { return vidIDs; }
  const std::map<std::string, std::unique_ptr<WebView>>& sitesWeb() const { return sWeb; }

 private:
  // bridge/
  void discard(const std::string& why);
  bool showsLocalPage() const;
  // The local page's path as the engine writes it, while the view shows it.
  std::string localPagePath() const;
  // A notice for the page: `name` and a JSON value handed to its one entry point.
  void notifyPage(const std::string& name, const std::string& jsonValue = "");
  // Makes `call`, built for localPagePath(), only if the view still shows
  // the document numbered `document`.
  void toDocument(std::uint64_t document, const PageCall& call);
  void fetchNetwork(const std::string& url, const std::string& id, const nlohmann::json& body);
  void fetchSite(const std::string& url, const std::string& id);
  // panes/
  using Panes = std::map<std::string, std::unique_ptr<WebView>>;
  Panes::iterator newPane(Panes& table, const std::string& slot, const WebViewConfig& config);
  void hideVideos(const nlohmann::json& body);
  void hideWeb(const std::string& slot);
  struct VideoPlay;
  void loadVideo(const std::string& slot, const VideoPlay& play);
  // Brings `view` back by itself whenever its web process ends.
  void keepAlive(WebView& view, std::function<void(const std::optional<std::string>&)> restore);
  void networkCameBack();
  void hibernation(const nlohmann::json& body);
  void hibernateLater(const std::string& slot, bool video);
  void hibernate(const std::string& slot, bool video);
  // Loads a hibernated web pane again, after those already waking.
  void wake(const std::string& slot);
  void wakeNext();
  // Gives the pane's content back now, whatever it is doing.
  void putToSleep(const std::string& slot, bool video);
  void recursos(bool abrir);
  WebView* resourceView(const std::string& tipo, const std::string& slot);
  void panelRecargar(const nlohmann::json& body);
  void panelReposo(const nlohmann::json& body);
  // policy/
  void chatNotices(const nlohmann::json& body);
  bool chatMayNotify();
  bool showsChat(const WebView& view) const;
  void handNotificationOrigins();
  void noMolestar(const nlohmann::json& body);
  void loadDoNotDisturb();
  bool quietNow();
  // Applies what the hand switch and the quiet hours say, and watches the
  // clock for them; true when that changed it.
  bool updateDoNotDisturb();
  void showDoNotDisturb();

  Host platform;
  const Config config;

  std::unique_ptr<Window> window;
  std::unique_ptr<WebView> webView;
  std::string localPage;  // the bridge's page: resources/web/index.html
  std::map<std::string, std::unique_ptr<WebView>> vids;
  const std::map<std::string, SiteRecord> sitios;
  std::map<std::string, std::unique_ptr<WebView>> sWeb;
  std::map<std::string, std::unique_ptr<Window>> sWin;
  std::map<std::string, Instant> sFija;
  std::map<std::string, std::string> vidIDs;
  std::map<std::string, std::unique_ptr<WebView>> webs;
  std::map<std::string, std::unique_ptr<Observation>> webObs;
  // "No molestar": on by hand, or by the quiet hours unless switched off
  // by hand inside the current quiet period.
  bool doNotDisturb = false, quietByHand = false, quietPeriodWaived = false;
  QuietHours quietHours;
  long heldNotices = 0;
  std::unique_ptr<Observation> quietClock;
  // What each video pane plays, to play it again after its process ended.
  struct VideoPlay {
    std::string tipo, id, hls;
    std::int64_t vol = 0;
  };
  std::map<std::string, VideoPlay> vidPlay;
  // Hidden panes waiting to hibernate, hibernated web panes with the address
  // they go back to, and the shown ones waking one at a time.
  std::map<std::string, std::unique_ptr<Observation>> webSleep, vidSleep;
  std::map<std::string, std::string> webHibernated;
  std::deque<std::string> toWake;
  std::unique_ptr<Observation> waking;
  std::unique_ptr<Observation> mainContent, networkBack;
  // Each process's CPU time when the page last asked what the views cost.
  struct CpuSample {
    Instant at = 0;
    double cpuSeconds = 0;
  };
  std::map<int, CpuSample> cpuSeen;
  // After the views they watch, so that they go first.
  std::map<const WebView*, std::unique_ptr<Recovery>> recoveries;
  // Last, so that it is the first to go.
  Alive alive;
};

}  // namespace qv
