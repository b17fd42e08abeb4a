/* Who publishes the program: its name, the two people the About text thanks,
   and the web pages the program opens. Shared by the code and the resource
   script, so it holds plain string macros only. The publisher is fictitious
   and every address lies under the reserved domain example.org. */
#ifndef DIZI_LOG_PUBLISHER_H
#define DIZI_LOG_PUBLISHER_H

#define DIZI_PUBLISHER_NAME "Example Utility Works"
#define DIZI_PUBLISHER_TAG "EUW"
#define DIZI_PUBLISHER_ADDRESS "www.example.org"
#define DIZI_PUBLISHER_ADDRESS_CAPS "WWW.EXAMPLE.ORG"

#define DIZI_TESTER_HANDLE "ExampleTester"
#define DIZI_CONTRIBUTOR_HANDLE "ExampleFixer"

#define DIZI_HOME_PAGE "http://www.example.org/"
#define DIZI_SUPPORT_PAGE "http://www.example.org/support"
#define DIZI_CONTACT_PAGE "http://www.example.org/contact"
#define DIZI_ADVERTISING_PAGE "http://www.example.org/partners"

#endif
