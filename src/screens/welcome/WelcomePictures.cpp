#include "screens/welcome/WelcomePictures.h"

#include "model/Palette.h"
#include "model/TextLookup.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>

// The pictures are PNG files held as standard Base64 text.
namespace {

const char kLogo[] = "iVBORw0KGgoAAAANSUhEUgAAAQUAAAEBCAYAAABxB7CHAAAACXBIWXMAAA7EAAAOxAGVKw4bAAAgAElEQVR42u2deZwcV3Xv"
                     "f7eqq/fp2ffR9IwljWZkI6+AN7DB4NiAjYGwh5DwCMvDOC/JewmQPAMhnweE8EwclmAgPH/YQ1iMN7wIvMmSZW2WkWa0zb71"
                     "Mlv39FbVVff90T3SjDQj1Z2p7q6eOd/Ppz/SR+rqqrp176/OPefccwGCIAiCIAiCIAiCIAiCIAiCIAiCIAiCIAiCIAiCIAiC"
                     "IAiCIAiCIAiCIAiCIAiCIAiCIAiCIAiCIAiCIAiCIAiCIAiCIAiCIAiCIAiCIAiCIAiCIAiCIAiCIAii9DBqAsJKOOdyOBzu"
                     "YIx1McaqAXg55+OGYfQ1NjYOMMY4tRKJArEOGRkZ8bhcrm2MsW4APQC6GWM9nPMuAK4VDjvKGLs/k8l8vbW1NUmtSKJAlCFj"
                     "Y2N1iqJ0M8Z6AHQD6MkP/uAa+s8w5/yjDQ0Nv6UWJlEg7GnyS5OTk+2yLPcsevMviEBdgU5rAPh4fX39ffQESBSIEjEwMOD2"
                     "eDxbJUlaPPi7AWwD4ClJB2Tsjrq6ugfo6ZAoEAVkdna2OpPJ9DDGlpj9ADoBSDa73DnG2MV1dXVj9OTsgYOaoGxNfjYzM7OJ"
                     "c96t6/qSN7+maY2SJJXLrVQahvFpAHfSUyVLgTA3+J3T09Nbstns2W/+bgC+dXKbqsPhaKyurp6lJ06iQOSZnp6uNAyjG0C3"
                     "YRg9iwb/ZgDyBmiCt9bX1/+GegJNHzacyT81NdWyMMfPD/5uAD26rjefVmq2IbX6tQBIFEgU1u3gV6ampjYvGvzdjLGeaDTa"
                     "DaBigw/+lbiYmoBEoeyJRCIVALYtmPoLb/5oNLp1cdvS4Dcxj81ZTAT5FMrD5I9EIo2MsdOm/sKbH0AbtZB1Ta2qqp/Sn0kU"
                     "7DT4HZFIpHORh39h8HcDqKIWOpdMFhiJcQzPcUzMAzLjaK9kuLpNgsRW9QyuaGhoOEgtS9OHojI5OemTJKkr/+bvAdDNOe+J"
                     "RqNbGWPOfOcks38RcxlgeJZjaC4nAEOzuT/DCWC5JY/BSgNffIMDTf5VTSFIFEgUCmPyh0KhekmSTsf184t4ugEEF32PekAe"
                     "gwOhBJYM+uE5jpEYMJcWa6ehOY6/eUzD996qwC3Ww3roSZAorHXwy6FQKCjL8uJU3u5oNNojy3LNWd+lpw1A1YHR2MJbP2cB"
                     "5AY/h6pbd56JeeCZIQM3bxbKrCRnI4mCOUZGRjxOp7Pr7Fz+aDTaJcuymx7jMiZ/OveWHz7L5J+cX97kLwS7Rjhu3iwk8mQp"
                     "kCgsJRaL1aZSqW5Jkha/+XsAdICcosua/OFEfvCfNeefy5T++oZmxeSHMdbFOZcZYzo93Q0kCovW7p+9gq87k8nUl9FCnqKh"
                     "GcDoHMdwbOmcfyTGkcna97rH4hxZA3CYf6TOSCTSCeAkPfV1KAqcc3lmZqZnYSHPovn+NofD4aWmP5d5NTfgR2I5Z11uvg9M"
                     "zHMYZegS0Q1gPJ4LUwpYCz0kCutIFPKJPrcC+HA0Gn0dgCoK653VRgAiiTODf/Gcfya9/u53aFZMFPKW44PUU9aBKESj0Z5o"
                     "NHo/Y+yV1KyApnOMxXF64C8O86WzG6cdhueE/QrkbFwPohCJRG7nnP8Y62d9v2kS6pm3/eI5/3i8PE1+qxmJiX0/v3ycKGdR"
                     "CIfD1wP4T6xc1ntdmPxTyUVv+wWzf5ZjKkWdyGpLgXPOaH+IMhWF6enpSl3X/2u9CEI27xg7490/YwUkNeosqxUFDqF4clUk"
                     "EmkEMEmtV4aioOv6ZwE0lttNJzUsSeNdMPnH4hy6QZ3C6raeSnLUeYUiEN0kCmUoCmNjY14AH7GzyT+dOpPGu3i+H02SZVpM"
                     "hmaFRaEHwFPUcmUmCoqivAU2cCzqRi6Ov8TDnxeAhEoP2C5TiCtbhA4hZ2M5igJj7MpiXmg6e24e/0gst7gnSya/vUVBPAJB"
                     "YclyFAXO+RarE5M4gNk0zhn4Q7Mc4QSZ/GUrCuJrIMhSKFNLYU2LFObSHEej58754xka/Otx+iDIpnA47G9oaJin1isjUQAQ"
                     "X81B8yrHPbsNPDtskNm/QZhK5ZK8fE5ha2EftV7xWfXbnjE2InpMJgv89WM6fj9IgkDWAk0h1qOl0Ct6wCMndJycpulBMWEA"
                     "NgXSuLJxDtVuDX5FR1qXMBRz48S0DwNz3qIUXRmOAT31QoeQs7HcRIFz3id6zLPDJAjFIuDK4v0943jrlhBa/CtXXDk168XD"
                     "/Q34aW8T5rXCldfIWQrmHdO0BqJMRUE0+kCpwsWxDN7bM4E7rxiCX7nwcszNVUncdcUg3r99HF/bF8RvTjYWxHJYRRUmshTK"
                     "zaeQ9wwL+RUqXFRboZB4HDq+fEMfPvXqU6YEYTG1bhVfuP4E7r72JGTJellYRQRiC+dcoadaRqKwmilEe4AavGAmn2Tgqzf2"
                     "4ZbO6Jp+5x1dk/iXG/ogWbxIcTzOoelCv6lEo9GL6MmWmShIkiTkbBSswEMI8Omr+3F924wlv3VTcAof3jFq6fUZHBgTDGLT"
                     "FKLMfAp5xCyFKhIFszhlhs21MjbXynA7GLIGMJ00MBk3MB7XMb8oyeuqxjm8s8vaRYWfuHwIu8er8HKkwrLfHIkBHWIb8JGz"
                     "sdxEgXMuZCkEyVK4IC0BCe+/3IM3d7tQ4VrZkJvPcIzHdUzGDVxWm4Th3AIYSTCeBDNSAF9bjXcG4BOXDeNjT1i3Q/wqIhBk"
                     "KZShKAhFIKo9uaw2Wr24/CD8wBUefOxqL1yOC7ep38XQ5XKgqw4A2nHORgk8C8ZTOaEwkrm/6wkwngLjScC4cJXYa1tnsL12"
                     "Hken/Jbc4xCtgVj/olBfXx+KRqOzMLkrM8tbC0cjlK+wGIkBf/96P+642MLNrpgDnFUAUsXyIUZu5MUhJxjMSJ4WkNy/pQFw"
                     "3LBp2jpREI9AUGm2chMFxhgPh8O9jLFrzB6zKQAcjVDDL+aT1/msFQRTD08CZ35A8q+Ql8DBeArvuSqDxnovxmM6JmK56cpY"
                     "TEd4XjxVfXguV8xWYJv6img02gxgnHpJmYgCAEiS1Mc5Ny0KwSqG4u1maH9e3e7En17hseWEhjMv/F4vbltmZm9wIJowcmIR"
                     "P/PnRCz399C8gUx26XPOZHN7XjT6haswkSiUkyiIOhspLLl0OvXJa8tzsyyJAQ1+CQ1+CZet8J1o4ky0ZCKmYzxmIGkAksTB"
                     "OTe7E3gPgJ3UW8pIFCAYlqQIxBkubVHQ0+BYt/dX55NQ55NwSZNjpRcKDMMA5xy6ri/5c+HfaQ1EmVoKIhGIJj+DIjPR7LZ1"
                     "ybXBjZ3FyxiDLMu5juhwLCsanPMPapq2iXM+xBgbMgxjkDE2pCjKIIApckLaUBTq6+sHo9GoCsBUCQ1ZAlorgMFZavwdTZTa"
                     "fyHRYIz5Oee3L4jEwgtI0zQASKqqOrggGIyxQcMwhhhjg4qiDAEIMcaockexRYExlg2Hw8cZY5eYPWZTgEQBADpqZGqEteEF"
                     "sJ0xtn0F0cioqjoMYAjA4IKlIUnSkKZpgx6PZ5wxplMzWu9TAGOsF4BpUQhWsQ1fW0GRGep8EvXAwuICsDX/OS0anHM4HA5o"
                     "mpZVVXUUwCCAIc754ILFkc1mh9xu9whjTCNRWB1iayDI2YhGPwO1gi36f0f+c9rK4JxDlmVomsY1TRvjnA8BWJimDDLGhnRd"
                     "H3S5XMOMsTSJwvLQGghBmgOrmzpo6WlEjv0EqdlT4HoGircBTl8LXP4WOH3NcPlb4fDUgTGamlhhBHPO2wC0AbhusWhIkgRN"
                     "06CqauhsS0OSpEFd14ecTucQY2x+Q4qC6BqITSQKaKkQH7Tz4QM4+buPQ9eS5+/JkgOKtykvFAti0Zb7s6IViqcBTHLQkLfI"
                     "6Mt/Xr0wBgzDAGNsQTSmAAwxxgbzFsdp8VAUZZAxNrsuRUHTtGNOp/n63W5HznwOzW9cv0JThZg/QUtP49RTd11QEACAG1mo"
                     "86NQ50dXUg0onga4/K2nhcLpa85bHK1QvE2QZCcNd2uoBVDLOb/idPMvcoaqqhpD3gm6MD05K4ISLXbY1RJRaG1tTUYikSEA"
                     "QdPWQgAIbeCtPloEpw+zwzuRzcxZc3JuQEtOQkuuXINB8dbnhaL1LIujFU5fCySHm4a7NQQA7OCc71iYmiwTdh3inA8COMw5"
                     "f97lcu1kjCXs7lNY8CuYFoX2SoZ94xvXUmgOiFkK8ck9Rb0+LRmBlowgETm8vGi4a6Ccti5aTlsZTl8znP4WyIqfhrs1eAH0"
                     "5NeA3JqflsxkMplvOZ3OLzHG4nYXhVvMfjm4waswiVoK6ry91gRp6Wlo6Wkkp44s37GcATh9LVAWTU8WrAynrxkOVyVA8ZfV"
                     "Us0Y+4ymae9WVfW9TqfzRbuKAoUlTSJLQKNfzFJQExNldY9ZNYasGgNmlu8WsuLNCUbeAbrY4nD6WqB4akg0LsxmAL/XNO1m"
                     "RVGet50oiK6B2MhhyXqfJFJTAEY2DS09ta7aQNeS0GdPIT17atn/l2TX6anIglAsdowq7jqAUfIXAB/n/JFkMrnD6/UO20oU"
                     "dF3vW25Ry0pUunP7QGzEXaaFpw7JiQ3XRoaeQTo2iHRscNn/PxN2PePHcPlac3/6W6B4GsGkDZOrUSnL8jc457dbEamwTBSa"
                     "m5sj4XB4ijFWa+b7DLl9II5swCpMzYLhyEx8jN6HZ1umFwi7MibnIyhnhGJxzobibVxXYVfG2Fs0TXsVgBfs5FNYWANxvYhf"
                     "4cgGrNcoms1Ybv4EW4gG16EmJqEmJoHw/mVfS4qn7oxY+FvP8W2UYdj1L2wnCsg5G82LwgaNQIhaCmqCqpEVQDagpSLQUhEg"
                     "8tKy31DcNUsjKN68YORTym0Ydr3JVj6FPFSarRCiME/Th1KwEHbF1B+WHzyuAJzevEicztU44xh1uAIocgSlg3MeYIzFbCMK"
                     "omsgNmoEoqWSpg/rgWwmhmwmhuR5wq5npiaLM0JzjlHFbX3YNZVKBQDYRxQMw+hdKK9lhiY/oEiAtoFq40gMaBLMUciQpVCW"
                     "6FoSqdmTSM2eXL4vyG44fbkIiuJrhjvQgaq2G+EKBFd9To/Hs+b6D5aKQmNj43A0Gk0DcJsdIG0BYGADVWGq8UpQZIGt03QV"
                     "WipKI2wdYujpc8Kuo/v/BdUdt6Lj2i9Akl2r+dk1L5CxNPsjX9rqmMgx5ZbuzDNx8MTqB6lojoKWDIH2ydhYzAw+iqHdd69m"
                     "+j5hRdGXQqSErVtnI9dS0Hbdi8yT/wh94BmAiw9W0SXTNHXYmEwPPIL03CnRl/KQJVPcAtzP+twHwshC2/0tGDPDQDYD7cCP"
                     "oO66FzwlNvdppRwFwiTJ6T7RQwZtKQqiO0aVRRUmbkB94TswIktnRkboKDJPfA76yF7TVkMT5SgQJtHVuOjYG7KrKAjJ26aA"
                     "zQuYcg71wA9hjB9aYdKfgrb3e1Bf+DZ45sJVY1oCojkKJAobFcVTLzp9sKelkEwmj0PAM+ZyAA0++z4Y7civYQzuuvDsYuwg"
                     "1Cc/B30l8cgjnuJMorBRcfpbxAazJNnTUujs7EwDGBDyK9g0ApE98ST0Y781b1Sk49B2fwvavu8Dy9RSZABayNFImBUFX7PY"
                     "dEPXbetoBNZBBEIf2o3s4Z+v8tg9yDzxeRjhpc1Q5ZHgcpi/V27o0JJhGh0bEMnhyVenEhARp3P9iILdIhD6xGFo++9fmysi"
                     "NQv12a9BO/Rj8GwmN3UQreCcCoNz2tVs404dhMZF1KpirgURBVFno50sBSN6Atqeb68qB2FZgTn1NNSdX4AxdUq4WCtNHTYu"
                     "Ll+r6CGDllkpBRIFMUvBJj4FY24U6vNfB4yste0xH4H69FfQlDwqdBw5GTe6pWAeqxKXCiYKbrdbyFIIuHKfUsITUajP/Sug"
                     "FWhrQM7RJM2IiQKFIzeuKAg6GfP7QlhCQfYOq6ysnI5EImEADSJTiD+ES5Tjn4kh8+w9QDpW0NO0NInFnclSKDySpKCmpQcV"
                     "Ne3wBprhdFfA4DoMQ0NydhLx6WHMho5DLXDfOGf6IGgpABiytSjk6RMRhWBViURBSyLz7NeAROFXIrY2NQiKAqU4FwqH043W"
                     "rtehof0KyMryi3p9gWbUt18ObhiYGn8ZY8efQSpenGiQ0ycmCoZhlIUo9AJ4rYilUHR0Derub4LPFceh19xYJ2bAkKOxINS0"
                     "bEfnjtuhuMxlzTFJQl3bpahtuQTDRx/HRP9uyxzRVomCVdmMBfMp5Oc4tg5LckOH+sJ9MCIninK+gN8Hv88rcoG5oqOEtcK8"
                     "+Vp0vfK9pgVhqTjICF5yK7Ze+cdgBdxzQpJdUDy1YiJiUY5CoUXBvmFJbiB74AcwJg4X7ZQtglMHLT0Fbmg0ii2kafM1CF5y"
                     "65p/p7Z1BzovfSsKVX9R8TWJ/vYsY2zO9qKgKIqQpdDgA5zF2LuDc2T/8EvoQ7uL2iFbaOpQUnxVLQhuv8Wy32sIXoGG4JUF"
                     "uVaXXzhHYcjK8xdMFKqrq0cBJE1fCMutmCy4G+HE48gef6LonbK1mZyMJYMxbLn8HWCStd09eMktcLoD68qfUFBRYIwZEN10"
                     "tsBJTPrgLmgv/7I0c9lGwXAkWQrWvaAat8ETaLD8d2WHC82bry2AKAjnKJSHpZDHNn4FY/wgtAM/KFnHbBO2FChHwTJBLsDA"
                     "XaC+/XJIkrVBPNHpg5XZjAUXBbtEIIzIMagvfKfgYSRLLQWaPljTwWUFFbXBgv2+w+lFoK6jpJaCYRiD61YU2isLIAizw1B3"
                     "fxMwSrvasEVQFGhTWWvwV28qaPgQALyBZkt/b11bCg6HQ2j60BZgkCw0Fvh8CFoh1zOY7TQeN6oqK0SunCwFi/D46wr/fC30"
                     "VzBJhsMjds2KopSPpTA9PX0SgOlXtFPO7RpliSDk6xmYqZtoNytBS8/A0NM0oq0YZHIR4tySdedQvE1gTOj3EgCmy0YUtm7d"
                     "mgHQLzaFsMBUUBNQn/saeHLaFh2zlZyMpRMFJhX8HFy3bmq6ihyFQcYYLxtRyFNUZyPPZpDZ9W/gMfuY38KWAk0dLCOTKPyL"
                     "IasmLPutUocjiyUKYiXf1yIKRhbann8Hnx6wVccUXTJNTkbrSMyFCn6O+MywhaJQuuIqRROFolVh4ga0/ffDCB21XccUXfeg"
                     "Jmn6YJmlkJpBJlnYHYzjU9aJwioiD4NlJwqSJIntGLWarFHOob30M+jDe23ZMVuEsxlJFCx8KyE8vL9gPz8z2QfNQmf2KnIU"
                     "hspRFARLszFUucXOke17BPqpp2zbL4WnDyQKlhIe2g9DL8yK04mTuyz9PTtYCo5CP5Campq5SCQyAcC0BLZXMsymzTlU9f6n"
                     "kT36G9t2SLfLibqaKpFXG+UorDwE4PQ2wB1oh+wMQHb6ISt+OJy52ghZNQFdm4euzkNXY0jHhqEmw9DScQz3PoGOS95k6dVM"
                     "jR1GbMrCFzWToHgbhQ5RFGWo7EQhT5+IKAQrGQ6HLiwK+uh+aId+Yutu3NQgloiSzcSha/M0/sHgqexEoOUa+OteAU/VRfBU"
                     "XQRZEUtk0bV5pGb7kZ7rRzrrh9uVBfT4mq9OTc1h4KWHILBD4oUHuKcBTGwdRRpAqCxFgXPeyxh7nYilcMGHHToCde93wUq4"
                     "nsEMrevcyTg4yTEVA67sWnt+ieTwoCZ4Eypbr0dly7VweteeKSgrfvjrd8Bfv2PRRDwFaGFAmwTUcYCLlfRX0zH0Pn8/slrK"
                     "4qmDcLHWYatzFIptKZjmQhEIY3oA2p5vg3HD9oOmeZ06GedTHI+9aOBwPwcDg88tobt9FcLAJASaXon6LW9DbecfQXJ4Cn/x"
                     "kgdwBXMfngXUUSAzBGiRC775U7Ew+vb+EJnEjOWXJRqOhMXFVYoqCpIk9XKBN3rbeSIQRmwC6q57gfxWbHantWl9iYLBgX3H"
                     "DDy530BGW/CCcPziGQN/8WYZDdVmrQI3GrreieZL/mw1WXwWzlIcgKsj9zESQOo4kBkAztqujxs6xo4/jbETz4AXaHHdKiyF"
                     "wbIVBQhmNTb4GFwOIHOWVceTU9Ce+xqgJlEuiO/1YF8n4/gU8ODzOsanzhV4Ncvxo506PvoWGd7zRI8czgAae96Lpos/CMVd"
                     "Y68blHyA73LAsx1IHwdPnkAyNoLoyEuIjB5CNlPYficajixE4lLRRKG2tnY8Go3GAZhaKrhQmu3k9JnOxzPzUJ+7Fzw1i3JC"
                     "1Kdgx9qMaRXYecDAi30c/Dzm9ew8x09/b+CDfyRBls6eJcho7H4v2q64Cw5nwN4PTXIB3lfAcHQgcvJrCA28UDDrYKkoiFlM"
                     "VtdROH37RbHQcs6QVfsVeDYNdde94PHyK3lezrtCcQ4c7ue495c69vYZ5xWE05PckIGHdhtL6tlUNF6BV9z+C3Rc/Q/2F4RF"
                     "yM4KdFz9v3HJ7f+FiobLC34+0emDJEnlaynk6QPwStOisBCBMLLQdn8LfGao7ARBURxoqKspS1EIz3I8tNvAUEjcuX3ghIGG"
                     "KuD6y/wIvvrTaOh6J8oZX00PLn7LTxA+/nMMvfBF6FphphG50u7m0TStrH0KYIwJORvbK1luQ5S934MR7ivLztRYVwvGzHvk"
                     "dS2BbGaupNesasDThw08f4TDMFYf7Toxuw3/7U33IlDbifVCQ9c7UdF4FU78/q+QnLa2TyqeOkiy0C7LWY/HUxAHlFTENhUs"
                     "4gpoh34CY+xA2Xai1jJzMvYNc3zjAR3PvWysWhAYY7jtbe/Hv/77L9aVICzgqezEJbf9Jxp73gcrN4NZRThyhDFWEEdHMacP"
                     "QhGI1gCDPvhcWXcg4dWRJXIyzsxzPPoCx7GRteV9SJKMT/715/Gm299TsGvVtQTU+QmoyRB0LQlDT8HI5qpUSQ43JNkDWfHC"
                     "6W2E098MWfFZfg2S7ETnNXfDW70Ng7v/EZzrpRCFwUK1cdFEoba29lQ0Gs2aPaciAYHWbsRGjpatKIhuKFtsS0E3gOePGHjq"
                     "kIHsGvu10+nCp+6+B9e99mbLro9zHcnp40hEDmM+chjJ2VPQ1TjMpxYzyM4KeKs2w1+/A776HfDWdImWO1t5etj9bijuGpx8"
                     "+n/C0NeWN1PKredL6VPQIpHISQDdpgdVR1dZi0Jbc6OgKBTPydg/wfHwHgPRubVnyfp8Ffj8l+7DKy59pSXXlogewczI7zE7"
                     "+mxeBFYtK9DVGOLhg4iHDwLIRRSq2l6D6vbXw1e7fc3XWtPxRnS7v4tjT/73NV2r01/aXaFKNX1YWANhWhQ2d3bg2LPlO30Q"
                     "33q+8KIwnwJ++6KOl/utSZl3Ol2WCALnOmaGfofw8Z8jEx8tnHWkxjHV/wim+h+Bq6INDV3vRHXw9WuyHgJNr8S2N3wTfY99"
                     "eNUWgx3KsJVEFCDobNy6qR7ljJ0sBYMDL/YZ+N1BjrRqjSBIkoxP3X3PmgVhevAJhHp/DDUZKurzycRHMbL/HoR6f4zGnveh"
                     "puONaxKGLTf8C078/n+sysfg8pW+jkJJREF0DcS21uqyFQRZktBYb48chbEo8OBuHRNT1i2oY4zhzr/+3Jp8COm5QYwe/Dck"
                     "pnpL+qzUZAgj++/B9OBjaLv8TrgrO1Y9lei45m4MPP85iC6pVgQthWw2uzEthc31zrIVhfq6asgCew4YehpaasrSa0irwJP7"
                     "Dew7xk1lI4rwljvehzff/t7VTiMxfuTHmDrxM3Aja5tnlpg6iuO/uwuN3e9edcixsfvdSE73IdRnvs6Hw1UFWfEKGX5ut3t0"
                     "XYgC51xIFCpcEty1bUhPjZadKLQ2iU4dJi1sZ+ClUxyP7TOQTFtfb2Lz1h589M6/X9Wx8dgs7vvGlzAfOYTbr5Us3RHMkrYz"
                     "spg8+iMkokfR/qq/hcMlvpdh8NWfRjx80HSCk1M88jDGGNMK1QbFTF5CfX19HIDQCG/s6EY50iIajrTIyRieBb7/Wx2/ek4v"
                     "iCB4PF585rP/CkURt+JGhvvxj3//CfQeOYiRMMezL9u3HkY8fBDHd96J1Fy/+KCSndj6untM14YQdTKigOHIoovCaqYQwY7y"
                     "zIprLbKTUdWAJ/ZzfOs3+qrWK5jlo5/8B7S1XyR83Iljf8BX/ul/YWYmevrfDp/ieHnAvsKgpaZw6um/QyL6B3HxrOxEx9Wf"
                     "MfVdl79N9OcH15UoMMaEvEpdHS1lKQrClsIqRYFzoHfIwNd/reO5l/U1rVe4EBe/4krc+pZ3CR/38qG9uOfLn0EyeW7tyWcO"
                     "c4xG7VtST9cS6H/uHxCf3Cd8bEPXO02trrRTOLIsLIWutpryFAXhOgriojAT5/jxTh0//b2BuURhB5Ysy7jzrz63KgvhW/f+"
                     "E1R1+fi9YQCP7DEwlyjNc4rMcvxmt45YcuX2M3QVg3v+aVUWQ8e1d18wB8Jlo8SlkoiC6I5RWxu8ZSoKhaujoBvAM4dz1sHx"
                     "0eK8Zd/81vfhoi09wj6Ee79694qCcFoQNeChPTrUIgYisvkU7589ZWBoEnhgl4GUen5hGHj+88I+Bl9NDxq633MBS6H0W8WV"
                     "lSg0VMiQPYGyEgRJYgXLZuwf5/jmAzp2Hlj7egXTHdtXgQ9++K+EjonH5nDvV/43UklzJsB0DHj0BR1GETRufIrjJzt17D/O"
                     "TxeDmZ3PCcP5hEnXEhjY9Vnh5e2brvxLyM6Vi46J5ijour6+RKG+vj4EwHSrMgC1we1lJQq11VVwKop5oTQ0aMnw+QdZCvjF"
                     "Mwbuf1y3ZL2CCLe97f3w+80LM+cc3/nmF5c4Fc0wHAZ2HSmc41HL5mpF/PIZA7Pzy00lgAd3n19stdQUhvf+M0SSkxzOABq7"
                     "l8/pkJ0VwtWoXC7X8LoSBcYYF7UWNnVsLq+pg+jW88nQip3MMIC9fRxf/5WOw/3F99S73B68/V0fEjrmwV/9CEf/cHBV5zt0"
                     "guPIoPX3ORTm+PHvdBw+df40rvEoxyN7dZzvCuLhgwj1/ljo/M2X/Bkkh3uZqaBLdfkAABRNSURBVIOwk3GSMZZeV6KQM6/F"
                     "9pfc2tm+rv0JKxVrHY1y3PeQjof36JatVxDllje/E5VV5p29oyMDePiBte3a9dQhjnGLkjszGvDEAQO/2WUgZtKZOTQJPLnP"
                     "OK8whPp+hnTMvBWvuGvQ0PWONYtCoZ2MJRMFCBZc2bqprqxEQXhXqLPqKKQyOTP2uw8ZmJguXbiOSRLe8W4xK+EH/3EvdH1t"
                     "HkODAw+/oK85onJqguOHT+roGxL/nWMjHM++ZKxoVXAji9ED/yZoLXwIYEuH3Cr2vBhal6Igmu68rcVfVqKw2r0eOAcOnuS4"
                     "91c69h0zLF+vIMqOS1+FxibziTW7nnkcp05YU/8inQEe2mMgo4m3QTLD8eheA4/sMZBcg6F9uJ/jhd6V7YXE1FFMDz5hfirm"
                     "b0Wg6aqzLIUW0bFTcFFwlEgUekUKmm6qdACSDBi6bYVA9lSgpn07NnVuwRWvvFpw+jCK8ExuEAyF7JPh94Zb3mb+7a7rePBX"
                     "P7T0/NOxXJbmm65mpt5efNEbPm1iZYDEgKsumkFXc25ecWzCj/39VUsiIC/2cbgVA5dtkVaYRvwE1cGbwJi592v9ljsQm9i7"
                     "akuhGNOHkohCfX39QDQaVQGYSqBXZJYvzXak5APFVdOKxmAPgp2d6OpoQVdbDbY0eNFYIZ9e3FNRUSH0m3v29eJHv9HBbbRZ"
                     "rtvtwWtuvNX093fv2oloxPp6CAMTHHuOcFx78flfIvEUx+8OGhgOmR1cwI3bI7io8Uy59kuDc2Dg2Htq6ZL9Z1/mcCoGtgel"
                     "Zay8ScwM70RN0FwthpqOWzCw+wswsqlV+RQKtddDyUWBMZaNRCInAFxs2lrYvA1HiiQKTJLgb+lCS8c2dHa0Y1uwCVtbq7C5"
                     "zoVKt2Tm/oTOt2vfiK0EAQCuuf6N8HjMJ449+uDPCnYt+48bqKqQsH2ZDWwNAEcGciXpVYF1g5cF55YIwmn/VfP8OaIAAL87"
                     "yOFycmxuPvcawsd+bloUZMWLmvbXI9r/8KqmD7qur09LIT9wejnnpkXhmouDOPKUxQ4Vlxe1wUvQEtyMLZ2bsG1TA7a1ViBY"
                     "rcC5yupckiQJiQLnOoYnErAbV73qNaa/e/L4EUxOFHZ5+1MHDVT7JTTXnGnb2QSw84COcbF0CHTWJ3HlRctvP8hWqKHAOfDY"
                     "XgO3XSNhU8PS72Tio0hM9cJXay7js7L1NYj2PwzJ4YbDXSV07U6nc2jdigIE10DcfGkT7pcBbRVuBWdVExo6ehDsvAhbg63Y"
                     "1laDribfEpPfQrET9CdMQjfsZSUwxnDZldeanzo8t7Pg16QbwMN7DLzrRgl+D8Ohkwb29HLogv2hrkLFDdtXVpFjE/7zX8ML"
                     "Bu54jYSmqqXPeWZ4p3lRaLkaAMtbCUL9JcoYS6xbURBNYKqvDiBYyTA8x6Hqy08SfU1b0HJRNzqDQXS1N2FbWxW2NHhQ6S5e"
                     "JQ9JEgvoxKfttx1e26aLUFdvbum3oevYt/eZolxXKgM8tNuAQwZCM+LHe5063rgjDIe8vAhHYi4cHDx/URUtCzz4nIG33yCj"
                     "dpHraHb0WbRe9nFTBWCdviZ4KjvgtGE4sqwsBafTCUUGLm71omrTdrgbtiLQ0IbOljpsa61ER40TLkfpB5SoKExHBm0nCpdf"
                     "eY3p7w70H0NiPl60a5uKrbKjyxxv3BGBz7W8aZHIOPDE4Xpk9Qu/QNIa8MBzOt7xWgmVvtz3dTWO5PRx09ZCoOVaGLpY8aRC"
                     "L4QquSjoun5MpIYhYwz33XefUN3DUpneIkTG+213D109O8wre+9LsDuMAa/pnkJ9YPnVmlmD4fHD9Uiq5vtWIg38epeBP75B"
                     "hi+/BWQi+rJpUfDXXYL0vFi0hnNelDdIqTIa0dTUlBA1h+wuCKu5xonxYdvdQ3vQ/FqTY0cP2/6ZXBacw+bGlafiTx2pw1Rc"
                     "vLxcLJGzGDL5F/582LxAeqoustWuULYQhfxbtTy3k7bQUhifmLDd9bcHt5j+/vDgSVs/j/NFGgBgX38VBiOrr9kxFQN+s1uH"
                     "lgVSc6cERGEzFMFwpGEYg+teFDjnR9abKIj6FAZHwra6/tq6Bni85jZlTSbnkUjEbfssLhRpOBXy4aWhyjWfZ3IKeGSvgUw6"
                     "Dl0zFxyQFT/cFZtE+9aGsBSeWU+CwBgTsxS4geGJeVvdQ0tr0Lw/JDRhu6SrBcxEGp7tq4VVlz8c4nj8RR0ZgU2CFbdYqUFF"
                     "Uda/KMiy/DQAdR1ZCUmR72cSEWRUe1Uz9gkUU5mKhm35HKyMNIhwcoxjfNy885CJWZVzjLHZorRfKR9edXX1bDgc/g5j7BNl"
                     "Nv4nkQup9nLO+2RZ7gXQ6/P5rgLwK7M/Mj9jPyej12d+RWoqZU0ejSxxXNE5h67mOBgYjk34cWCgErohPmgLEWkQIRRNYEth"
                     "Hk3RElpKHtmXJOmLnPM/AVBps/FhAOhHrvZDH+e8V5blXlmWj1VVVS2bOqOq6ttFTjATsV840uc1LwrpdMqSc17ROYdLg2cq"
                     "9F0anEOlV8POP9SBczFhKFSkwbT1lylMUaRirI60jSjU1dWNRaPRD3LOf12iS0gtvPUXBr/D4eibmpo6sXXrVtF9xYMiX45M"
                     "DtpOFEQshYxForCt+Vy/Skd9Etd1TWPXcfPz/kJHGorZJmdTjDoKthGFvDA8EIlEPgrgWwX0c0QWBv6C2a8oSm9VVdUIY8yS"
                     "iT1jrEPE8TY5br8U51KwUjGZ7tZ5pFQH9g9c2IgsVqShVGwoS2GB+vr6+8Lh8DBj7NsA2lfdv4CBxW9+wzB6PR5PXyAQmCp4"
                     "5+ZcyFIYnxi3XedLJsxHQ1xujyXnPD5RsWT6sJjLO2eRUiUcHVu5RkWxIw3FaJNz5rKGMbThRAEAGhoafjs2Ntbjcrnu5Jx/"
                     "EMBKtd0zAI4tNvk5532qqh7ftGlTqoS30CHy5aFR+3nvE0nzouC2aAAcGKhEQyCN5urlZ2vXdE0jrUnoD5+bP1GqSMOKouBy"
                     "k6VgNa2trUkA/8w5/0ooFOqUJGkbgBbGWJJzPmMYxvHGxsYhxpitarNxzv2aptWKGDVDYzHbiYKIpeDx+Cw5p24wPPFyA958"
                     "RQi1fnWZAQHceHEUaU3G+Ix7yb+XMtJQyDY5m2LlKNhSFBYpI0fO+9+PMkBV1aBI4pKanEYiZb+ak4l580JVW9dgXftlJTx2"
                     "qAG3XTWJCve51aAlBty8I4yHDjQhmo8elDrSsGyb1JvfbVzA/5QEMFWse5BAWIIsy0L+hMTciC3vY3zM/AupobFFeK3HeXu+"
                     "KuO3hxqRXuHN7pA5brk0jIAna4tIwzIvMjQ0NBfipwfzL0kShXLCMAwhUZiLDtryPqaiYdP7P3q8Pvh8FZaefy7pwG9faljR"
                     "B+B26njLlSHcaMNIg88fML1uRMRSKGY4kkTBWp9Ch8j3o+ERu94HhofMr3xs77A+fy8ad+Lxww0rbjbrdWYh2yDScE5bCCw5"
                     "FwldF9PJSKJgrekoZCnMzhu2vZfhIfNLgLdt31GQaxifceOpI3VCg7vYkYaz6d5+aaFEgSyFMkXIUpied9v2Ro73mi+c0t1z"
                     "acGuoz/sw+4T5lYSliLScI5A9hRGFIpVR4FEwXqzWyxxKZKCw1Vly3s5uH+36e92XrQNPn9Fwa7l6GjFBYupAqWJNCz1J1Sg"
                     "86IushSI0w/YzRhrEjlmZGQETn+bLYVhdKTf9G5Pkizjqle9tqDXc2CgCn1jK6/JKEWk4Wxe+erXQjJZio9zLiQKxcxRAGyc"
                     "p1BmCI/sr371qzAMA5lMBtOTfRju24nJ8VMYHR3H8GgYg2NxpDKlyWPgnOPQ/udN7yV5zfU34enfPVzA6wF2Ha9Bc3UGld6l"
                     "FZBnE4ot1jRcc/0bCmIlIJe9GyJRKDNSqZTicIg3pSRJ8Hg8aO28HK2dl5/ddZBJRpGYHcFcdBCRiQFMTgxibHQUw2MRDI7N"
                     "IZ7IFuye9u191rQobOm6GE3NbQXdJYpzhl+/2IxbLwuhPqACjCMy58KjhxpR6uJPTc1t2Lx1e6FEYdiqBXumpys0pC15swY0"
                     "TZsr8lmhpWNIzA1hLjqEyGQ/QuODGB8bw8h4CIOjs5ieW31RK7fbg58+8ILp/SR3PfM4vn/fVzfk8//zj/wNrnvtzaa+q6lp"
                     "gAk5Q59wOp03F/N+yFKwQlkZi6mqOgTBegpr1XPFXYkq9w5UNe5AcJldObPqPJJzo5iJ9GM2MoiJ8QFMjI1iZCyEobEZhKZW"
                     "LgiSTqfw7FOP4uZb32HOfL7uJjz4qx8WZOdpO1NX3yQ0dQiPvoyGTZeJnKLo6+tJFKxjJ4AP2emCHE4/AvXdCNR3Iwjg7ICZ"
                     "kU0jGRvFbHQAU6EBRCcHMTY6jLHxSQyMTmPnY782LQqSLOO2t/3JhrMWbnvb+4UqeCfnxgEBUSh24hKJgrXcZzdRuOBAdrjh"
                     "r9kCf80WtC0TTTN0FYauQZIVU7933WtvxjO/fxSnThzdEA98S9fFpqcNABCaHIXDKRY2LWYdhdP9gsayNSiKspdz/tB6uidJ"
                     "doILdpFP/OXf4borg2hv9sLhWL8uK1l24AMfukvomP/66fdQVdcp9gyKtNfD0okpYRnJZLLd4XAchv2K0K5V8ETfbjAMA+AG"
                     "1PQ0ErNjiM2MYSqS+4Qmw5gITWMsNI+0ysuyTW5/+wdw+9v/xPT3Z2em8KfvugE/f3A3JNl8Nms2m233er1FXShD0wcL8Xq9"
                     "w5qmvYlz/jgA33q5L13XhfbIlCQpl6ADCU5PHZyeOlQ3X7qMF5ZDTc0gFZtAbGYMM9ExRMJjCIcmMRGawVgobruaE5WV1Xj9"
                     "zXfgTbe/W+i4X/7n91Hl50KCACDr8XiKXrOPRMH6t+rzqqq+DsBPAGxeD/dkGIbwxrmyLCObvVAeBYPTUwOnpwaVjRdj0zKi"
                     "kc3EkYxPYH52DNORUUTDY4iEQ5gIT2FsMo65uFaUNmjv2IK3v+vPccmOq4SPnZ+P4aFf/wiXbKkRPXSkFBXGSBQKgNPpfJFz"
                     "frmqqp9ijH0cQPVGsxYWhEHX19KnGRyuAAKuAAJ129CyzCrtrJZAOj6J2PQoZqfGMBUdQzg0gVBoCmOhGKZm17YBGWMMN918"
                     "B971/o8I7xO6wP3f+b9IJOJoaxFeZl6Sct8kCoVy1jAWB/D3nPP/k8lkXs8YuxbApfkl1sFym14YhgFJkoQqLTHGLBCGC3Rg"
                     "xQd/zWb4azYvKxpGNoN04oxoTEfHEAlNIBSOYHRyDpHpzHkzIm+6+Q685wMfW/X1nTrRi4ce+AkAoKNL2MoYJFFYn+KQAPBg"
                     "/pMzinPbHtVqmhbknHdIkhTknHcwxoL5Yi1B2NBZqes6RNO5iyEM5/VvOFzwVgbhrQyiaRnHv6FryCQimJ8dwdz0KKYi44iE"
                     "JzAxGQYcNXjX+z+ypvN//Z7PwjB0MOZAx3axxMRiV1wiUSitUHAA0fxn/wodokrTtKBhGEFJkjoABM8SjbpiXzfn/LTFUE7C"
                     "cF7RkBV4Ai3wBFpQ3/7qJftAyrK8phqU/af60HvkIBiT4QoEUV3XJtpuJArEkg4xC2AWwEsrDFC/qqrtsix3GIYR5JwHGWMd"
                     "ABasjqZCXJeu62CMCQ8WOwvD+a55LVy0uRsf/8vP4/4f/AxgMnw+n+j5SzJ9oDyFdQrn3J3JZNplWQ5yzk9PT5CrEBUE0IpV"
                     "Jq8xxrCaVaGLhYVze+cnSJK0asficvebTCbhdrtFj9vs8Xj6SRSIYomGkk6n2xwOx3L+jA4Am85nSUqSJByNWDKXX0hwWueC"
                     "sPh+Ba0kQ1EUD2NMJVEg7CIaciqValEU5bRfI19ybkE4grIsu9YyeBZ8FHaxGhhjwhGWQgkDY2xUUZRNNH0gykk0JADNnPMf"
                     "MsZuXOtgES1RZrUYLAhCoREQhp1Op/MNpWgPWhBFrHYgGYyxMcbYrQCeWau5LstyQd/S57MMFs5drKmJmWkX53x3qZ4tiQKx"
                     "1oGVBnA7gKetGjCyLCclSUoWemAWUwxEhUGSpMdK9kypWxMWTSfcAH4E4O0W/qwO4ASAAcMwpvLh0BrOeStjrAVAvcj0YDWh"
                     "1BJNJfYpivKqYu4fSaJAFEoYZADfAPDRAp4mDmAEwBiAVP7fHAD8nPMaAJWc8wpJknwAFLu32XLCwBh7g6IoO8lSINaLMDAA"
                     "HwNwDwAXtYiYMHDOv+Jyuf62pFNCeiREgcThUgA/A7CNWsO0MHxHUZSPl2K59BJ/Bj0OoiBvG8ZeAnAlgO+uI6GbKNhAlCQo"
                     "ijINoOQZXSQKRCGFIcEY+wsA1wE4VMa3cgjAtYyxVgBfLuB5/g7AF/NTMIJY99MJB+f8Ts75DC8fZjjnn8g7UE/7TDjnXyrw"
                     "eb9EwkBsJHGo5Jx/mnMetrEYhDnnn+KcV65wDyQMBFEAcfByzj/JOR+wkRgM5K0Zr4nrJ2EgiAKJg8Q5v5Fz/n3OebwEQhDn"
                     "nP9H/hokwWsnYSCIAguEj3P+Xs75/+OcjxZwoI3kz/Fezrlvjde87oSBFIiwq0AwAF0A3gDgKgA9+U9A8KdiAHrzn30AngRw"
                     "3MoU4vy1fhG56EGh+DKATxcj9ZlEgSg3oWgGsBW5wraB/GfBITiXF4FY/u8nAEwUYyCtN2EgCMIiYSAfA0EQJAwEQZAwEARB"
                     "wkAQBAkDQRAkDARBkDAQBEHCQBDEBhKGu6ilCYKEYTFZzvnl1NIEQcKwmEeplQmChOFsGqmVCYKEYTHvWe11UeFWgigR+dWO"
                     "n0ZhisG2kSgQBAmDJZAoEMT6FIZRalmCIB8DORoJgoSBQpIEQcJAyUsEQcJAac4EQSwIw135t78ZC+EuWhBFEBtDHC7nnD96"
                     "Ph+ClVMGUhWCKB9xaAJwI84kJo0CeIoxNkmtQxAEQRAEQRAEQRAEQRAEQRAEQRAEQRAEQRAEQRAEQRAEQRDERuH/A8w6zqlF"
                     "vaUgAAAAAElFTkSuQmCC";

const char kLineIcon[] =
    "iVBORw0KGgoAAAANSUhEUgAAACAAAAAgCAYAAABzenr0AAAACXBIWXMAAA7EAAAOxAGVKw4bAAADP0lEQVRYw+2XT0gUURzH"
    "v7/33IoiyYwNFS8lblAUZO5qWgRSHYIUcg3SIra6dKhDEJl1CLRDt+jQwT8YhhQWLFGHCOyguW1hh4Jya4uodCtooyCodt78"
    "Omzp7MzsNuuup/qdhpk3fD/v9+/9HvCvGzldyAwa66/cIBQ1glAPcBlAJb+/xgCaBGNUEILeQGScCJwXAGbQ/T6PH+AugCoc"
    "4kYB6qgJRIb+BpIR4F5/xUqh5CAA7ywdHNal1lq3P/oya4CxnsoGEjQERlGOYY4Lgt8XiAw7BhjrqWwgotsAZJ5yTROE7XYQ"
    "ZOt2XT7Mw84tnpDQq70HXrwyvhTmhBNKDs6BOAAsVZCDzKmbTgFIZvtsE27GfiQYz98xvv80FwD7Qr2eZluAJBl35Sr+5Ruj"
    "vVvhzCUNHb0KPxKpEER81uiFaYAHfZ4q53Vub99/AueuKHz4nBR9H2e8+WBJu4pwz6r1FgCd0ZRTmivg/HWF1+9nduxeApS7"
    "bdqU5CZrDhDqZyuuM9B9S+HxK3363eKFwIk9BVgwz6bSGZtskpDL0iVUdJItsTTa1bsKo09mxOe7CMd3F2B5Udo+V/rnocAQ"
    "mxI78fbuZEzdRcCpNheKC1PX3H6o42ZoRlwI4OguiRWlGbt8iW0Zmu3tR0wn1MfPQOflBD59NZTtUx0Dd1TKP4d2SKxb6fiQ"
    "TQlBzPyx3A24DS3JCPHsDePiDQU2RKZli8DmtcKJbswGgCbNq+a7CKfaXBaIIxcS6BzQoBk2v7VKYOdGx0fHlBWAMWq3srgQ"
    "FgizVXsE9m2TIKeeJ4xYAAQhmG59JghPOeFwo4QQzsuWFAUtAN5AZDw5yTiHKFsGHGuRmOfKpmtw1Hdw4pEFIDk6UUemX4sL"
    "gdN7XahdLVC3RqC9tQCLFlBWTYuZThrHNLLOf6tCAPvmaAYO1wQmao0AIvWkAutSawUQnwP1uITaYx5SLalTtz/6UhD8ALQ8"
    "imuC4DdPQ2k7oS8QGRaE7XnyRDzdPJixFfsCkWFdKi9A4VxiLqFXpxN3fDEJ9XqaifhsNhcTZjpZeyByLaeLiRnkQZ+nSic0"
    "/j7PSw2nWgzAFAgjpCjoOzjxyOnV7L/9Am1sMiMZghh6AAAAAElFTkSuQmCC";

QImage decode(const char *base64)
{
    QImage image;
    image.loadFromData(QByteArray::fromBase64(QByteArray(base64)), "PNG");
    return image;
}

} // namespace

namespace WelcomePictures {

QImage logo()
{
    return decode(kLogo);
}

QImage storeBadge()
{
    // Painted at three times its 200 by 52 point size, so it stays sharp when drawn at 150 % or
    // 200 % scaling; callers draw it at the point size they need.
    constexpr qreal scale = 3.0;
    QImage image(QSize(200, 52) * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);

    painter.setPen(QPen(QColor(166, 166, 166), 1.5));
    painter.setBrush(QColor(11, 11, 11));
    painter.drawRoundedRect(QRectF(1, 1, 198, 50), 7, 7);

    // A shopping bag with a downward arrow.
    const QColor blue(52, 120, 246);
    painter.setPen(QPen(blue, 2.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(15, 9, 12, 16), 0, 180 * 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(blue);
    painter.drawRoundedRect(QRectF(12, 17, 18, 23), 3, 3);
    painter.setPen(QPen(Palette::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(QPointF(21, 22), QPointF(21, 34));
    painter.drawPolyline(QPolygonF({QPointF(16.5, 29.5), QPointF(21, 34), QPointF(25.5, 29.5)}));

    // The two lines, each shrunk until it fits beside the bag.
    const auto drawLine = [&painter](const QString &text, int pixelSize, bool bold, const QColor &color,
                                     qreal baseline) {
        QFont font = painter.font();
        font.setBold(bold);
        constexpr qreal room = 200 - 40 - 8;
        for (int size = pixelSize; size >= 6; --size) {
            font.setPixelSize(size);
            if (QFontMetricsF(font).horizontalAdvance(text) <= room)
                break;
        }
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(QPointF(40, baseline), text);
    };
    drawLine(localizedText(QStringLiteral("IDS_TWK_8103")), 10, false, QColor(207, 207, 207), 20);
    drawLine(localizedText(QStringLiteral("IDS_TWK_8104")), 15, true, Palette::white, 39);
    painter.end();
    return image;
}

QImage lineIcon()
{
    return decode(kLineIcon);
}

} // namespace WelcomePictures
