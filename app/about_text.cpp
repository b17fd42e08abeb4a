#include "app/about_text.h"

#include "log/publisher.h"

namespace dizi {

std::string AboutText() {
  return "App-Name: AnriTarvix v2.5\n"
         "Discription: It removes any version of tarvix server or tarvix downloader.\n"
         "By: " DIZI_PUBLISHER_NAME
         ".\n"
         "Spcial Thanks:\n"
         "  - " DIZI_TESTER_HANDLE
         ": For your tarvix test servers && Testing the DiziTarvix in XP machine!\n"
         "  - " DIZI_CONTRIBUTOR_HANDLE
         ": For the Fservice.exe FIXs!\n"
         "  - All DiziTarvix Users: For your suggestions to imporive it.";
}

}  // namespace dizi
